// The host services the library calls on: message boxes, the mouse pointer, the
// user-interface event loop, and the operating-system questions that the path and
// system utilities ask. Every class reaches them through one object per thread,
// which a host (or a test) may replace.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/platform/dialog_records.hpp"

namespace vellora2 {

// Message-box styles and answers, with the runtime's values.
namespace mb {
inline constexpr int32_t kOkOnly = 0;
inline constexpr int32_t kOkCancel = 1;
inline constexpr int32_t kAbortRetryIgnore = 2;
inline constexpr int32_t kYesNoCancel = 3;
inline constexpr int32_t kYesNo = 4;
inline constexpr int32_t kRetryCancel = 5;
inline constexpr int32_t kCritical = 16;
inline constexpr int32_t kQuestion = 32;
inline constexpr int32_t kExclamation = 48;
inline constexpr int32_t kInformation = 64;
inline constexpr int32_t kDefaultButton2 = 256;
inline constexpr int32_t kDefaultButton3 = 512;

inline constexpr int32_t kOk = 1;
inline constexpr int32_t kCancel = 2;
inline constexpr int32_t kAbort = 3;
inline constexpr int32_t kRetry = 4;
inline constexpr int32_t kIgnore = 5;
inline constexpr int32_t kYes = 6;
inline constexpr int32_t kNo = 7;

// The answer of the default button of `style`, what an unattended box returns.
int32_t DefaultAnswer(int32_t style);
}  // namespace mb

// Mouse-pointer shapes the library uses.
inline constexpr int16_t kPointerDefault = 0;
inline constexpr int16_t kPointerHourglass = 11;
inline constexpr int16_t kPointerArrowHourglass = 13;

class Platform {
 public:
  virtual ~Platform() = default;

  // --- User interface ---
  // Shows `prompt` with the buttons and icon of `style` and returns the button
  // chosen (mb::kOk ...). Without a user it answers the default button.
  virtual int32_t MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) = 0;
  // The application-wide mouse pointer.
  virtual int16_t MousePointer() = 0;
  virtual void SetMousePointer(int16_t pointer) = 0;
  // Processes the user-interface events that are waiting, then returns.
  virtual void ProcessEvents() = 0;

  // --- Common dialogs ---
  // Each shows its modal dialog for a record filled as the published record's
  // documentation says, writes the results into the record and returns true when
  // the user confirms. Cancel and failure return false; CommDlgExtendedError then
  // gives the failure's code (0 after a cancel or a success). Without a user the
  // dialogs answer as cancelled.
  virtual bool GetOpenFileName(OpenFileNameRecord& record) = 0;
  virtual bool GetSaveFileName(OpenFileNameRecord& record) = 0;
  virtual bool ChooseColor(ChooseColorRecord& record) = 0;
  virtual bool ChooseFont(ChooseFontRecord& record) = 0;
  virtual bool PrintDlg(PrintDlgRecord& record) = 0;
  virtual bool PageSetupDlg(PageSetupDlgRecord& record) = 0;
  virtual uint32_t CommDlgExtendedError() = 0;
  // Writes the display title of `file` (its name) into `buffer`, NUL-padded to
  // buffer.size(), and returns 0; a negative code for a path without a valid
  // name; the size needed when the buffer is too small.
  virtual int16_t GetFileTitle(std::u16string_view file, std::u16string& buffer) = 0;
  // An opaque device-context handle for the default printer; 0 when there is none.
  virtual int32_t DefaultPrinterDC() = 0;
  // The screen's vertical resolution as twips (1/1440 inch) per pixel: 15 at 96 dpi.
  virtual int32_t TwipsPerPixelY() = 0;

  // --- Clock and identity ---
  // Milliseconds since some fixed moment, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  // The version query's layout: major version in the low byte, minor in the next,
  // bit 31 clear on the NT family.
  virtual uint32_t Version() = 0;
  // Full path of the running executable.
  virtual std::u16string ModuleFileName() = 0;
  // Seconds since midnight with fractions, the seed of a timer-seeded generator.
  virtual double Timer() = 0;

  // --- Files and folders ---
  // Absolute, normalised form of `path` relative to the current folder;
  // nullopt when the operating system cannot form one.
  virtual std::optional<std::u16string> FullPath(std::u16string_view path) = 0;
  // Finds `file` (with `extension` added when it has none) in `dirs` (separated by
  // ':' or ';'), or in the program search path when `dirs` is empty.
  virtual std::optional<std::u16string> SearchPath(std::u16string_view dirs, std::u16string_view file,
                                                   std::u16string_view extension) = 0;
  // The folder for temporary files, ending in a separator.
  virtual std::u16string TempFolder() = 0;
  // Creates a new empty file with a unique name in `folder`, whose name starts
  // with `prefix`, and returns its path; nullopt (with LastError set) on failure.
  virtual std::optional<std::u16string> CreateTempFile(std::u16string_view folder, std::u16string_view prefix) = 0;
  // Attribute bits (1 read-only, 2 hidden, 16 directory, 32 archive, 128 normal)
  // or -1 when the path does not exist.
  virtual int32_t FileAttributes(std::u16string_view path) = 0;
  // Replaces %NAME% and $NAME / ${NAME} by the environment's values; unknown names stay.
  virtual std::u16string ExpandEnvironment(std::u16string_view text) = 0;
  // Bit n set when drive letter 'A'+n exists. On Linux the root is drive C.
  virtual uint32_t LogicalDrives() = 0;
  // The label of the file system holding `root`; nullopt when there is none.
  virtual std::optional<std::u16string> VolumeLabel(std::u16string_view root) = 0;
  // The error code of the last failed call (a platform code, 0 when none).
  virtual int32_t LastError() = 0;
  // The names that `pattern` matches in its folder, in directory order. The last
  // component may hold the wildcards * and ? ("*.*" matches every name, dotted or
  // not); an empty one matches everything. Directories, "." and ".." included, are
  // listed only when `directories` is true. Empty when nothing matches or the
  // folder cannot be read.
  virtual std::vector<std::u16string> ListFiles(std::u16string_view pattern, bool directories) = 0;
  // Whole-file I/O in bytes. Each returns 0 or the runtime's file error number
  // (53 file not found, 76 path not found, 70 permission denied for a sharing
  // conflict, 75 path/file access error, 61 disk full, 67 too many files, 57
  // device I/O error). A reader lets others read but not write; a writer keeps
  // others from writing (advisory locks: only cooperating processes are held off).
  // ReadFile replaces `bytes` with at most `max_bytes` bytes from the start.
  virtual int32_t ReadFile(std::u16string_view path, size_t max_bytes, std::string& bytes) = 0;
  // Creates `path` or empties it, then writes `bytes`.
  virtual int32_t WriteFile(std::u16string_view path, std::string_view bytes) = 0;

  // --- Colours ---
  // The RGB value (0x00BBGGRR) of system colour `index`.
  virtual uint32_t SysColor(int32_t index) = 0;
};

// The calling thread's platform. Created on first use: the real one for Linux.
Platform& CurrentPlatform();
// The same, shared, for an object that keeps it (such as a ForwardingPlatform).
std::shared_ptr<Platform> SharedCurrentPlatform();
// Replaces the calling thread's platform (nullptr restores the default); returns the old one.
std::shared_ptr<Platform> SetCurrentPlatform(std::shared_ptr<Platform> platform);

// The operating system's answers; message boxes go to the terminal when standard
// input is one, and otherwise answer the default button and say so on stderr.
std::shared_ptr<Platform> MakePosixPlatform();
// GTK windows when the library was built with them, a display is there and GTK
// starts on it (on the first thread that asks); otherwise MakePosixPlatform().
std::shared_ptr<Platform> MakeDesktopPlatform();

}  // namespace vellora2
