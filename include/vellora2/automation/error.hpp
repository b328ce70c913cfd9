// Automation errors: every failure reaches the host as a number, a source and a
// description, the three fields an Automation client reads from its error object.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace vellora2 {

// The runtime's standard error numbers that the library raises or tests for.
namespace rt {
inline constexpr int32_t kReturnWithoutGoSub = 3;
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kArrayLocked = 10;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kBadFileNameOrNumber = 52;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kBadFileMode = 54;
inline constexpr int32_t kFileAlreadyOpen = 55;
inline constexpr int32_t kDeviceIoError = 57;
inline constexpr int32_t kFileAlreadyExists = 58;
inline constexpr int32_t kDiskFull = 61;
inline constexpr int32_t kInputPastEndOfFile = 62;
inline constexpr int32_t kTooManyFiles = 67;
inline constexpr int32_t kDeviceUnavailable = 68;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kDiskNotReady = 71;
inline constexpr int32_t kPathFileAccessError = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kInvalidPropertyValue = 380;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kWrongArgumentCount = 450;
}  // namespace rt

// The runtime's standard description of a number, or "Application-defined or
// object-defined error" for a number the runtime has no text for.
std::u16string StandardErrorText(int32_t number);

class AutomationError : public std::exception {
 public:
  // An empty description is replaced by the standard text of the number.
  AutomationError(int32_t number, std::u16string source, std::u16string description = {});

  int32_t number() const noexcept { return number_; }
  const std::u16string& source() const noexcept { return source_; }
  const std::u16string& description() const noexcept { return description_; }

  // Adds a frame to the end of the source, exactly as given: callers pass the
  // bar themselves ("|Vellora.CFilesIO::Import") because a few frames have none.
  void AppendSource(std::u16string_view frame);
  void set_description(std::u16string description);

  // UTF-8: "description (number) [source]", for logs and uncaught exceptions.
  const char* what() const noexcept override;

 private:
  void UpdateWhat();

  int32_t number_;
  std::u16string source_;
  std::u16string description_;
  std::string what_;
};

// Raises `number` with `source` and the standard description (or the one given).
[[noreturn]] void Raise(int32_t number, std::u16string source = {}, std::u16string description = {});

// Runs `body`; an AutomationError that leaves it gets `frame` appended to its source.
// `release` runs before the frame is added, so the operation lets go of what it
// holds (most recent first) before the error travels on.
template <typename Body, typename Release>
decltype(auto) WithFrame(std::u16string_view frame, Body&& body, Release&& release) {
  try {
    return body();
  } catch (AutomationError& e) {
    release();
    e.AppendSource(frame);
    throw;
  }
}

template <typename Body>
decltype(auto) WithFrame(std::u16string_view frame, Body&& body) {
  return WithFrame(frame, static_cast<Body&&>(body), [] {});
}

}  // namespace vellora2
