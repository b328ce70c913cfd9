// CFilesIO: disk files into and out of the open document, and the stream that a
// host has loaded for reading and writing. A CVellora creates one and hands it out;
// a host does not create its own.
//
// Every member works on the thread's open document (the root storage that
// CVellora keeps). Element paths name an element from the root down, separated
// by backslashes ("Help\QuiHelp.hlp"); one leading backslash is allowed. Members
// that take a path in a non-const std::u16string& remove that leading backslash
// from the caller's variable, as hosts of this interface have always seen.
//
// Failures are AutomationErrors whose source ends with one frame per member they
// passed through ("|Vellora.CFilesIO::Import").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/automation/connection.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {

class LineList;
class StreamWindow;

// Events of CFilesIO, raised during Export. A host (or CVellora) overrides what
// it wants; `x` is the caller's variable, so a change reaches the export code.
class CFilesIOEvents {
 public:
  virtual ~CFilesIOEvents() = default;
  virtual void StartOperation() {}
  virtual void PercentDone(int16_t& x) { (void)x; }
  virtual void FinishOperation() {}
};

class CFilesIO {
 public:
  CFilesIO();
  CFilesIO(const CFilesIO&) = delete;
  CFilesIO& operator=(const CFilesIO&) = delete;
  // Releases the loaded stream without committing it.
  ~CFilesIO();

  bool Dirty() const { return dirty_; }
  void Dirty(bool value) { dirty_ = value; }
  int32_t ClassDebugID() const { return class_debug_id_; }

  // ---- File elements ----

  // Copies the disk file `FileLocation` into the document as the stream `Name`,
  // replacing a stream of that name and creating missing storages. A missing
  // file raises 53 and sets `FileLocation` to its full path. A file that another
  // program holds open is not an error: a "Can't open file" message box says so
  // and Import returns. A stream "CONTENTS" already in the target storage is
  // kept as it was.
  void Import(std::u16string& FileLocation, std::u16string& Name);
  void Import(std::u16string& FileLocation, std::u16string_view Name);
  void Import(std::u16string_view FileLocation, std::u16string_view Name);

  // Copies the stream `Name` to the new disk file `FileLocation`, raising
  // StartOperation, PercentDone after every 15 bytes (the first after the 16th)
  // and FinishOperation. Errors: 58 when the file exists, 52 when its folder does
  // not, ioElementNotFound when there is no such stream. A file left incomplete
  // by a failure is removed.
  void Export(std::u16string& Name, std::u16string_view FileLocation);
  void Export(std::u16string_view Name, std::u16string_view FileLocation);

  // Destroys the stream, or the storage with everything in it.
  void Delete(std::u16string& Name);
  void Delete(std::u16string_view Name);

  // Gives the element `OldName` the plain name `NewName` in the same storage.
  // Does not mark the object dirty.
  void Rename(std::u16string& OldName, std::u16string_view NewName);
  void Rename(std::u16string_view OldName, std::u16string_view NewName);

  // The names of the streams (storages) directly inside the storage path
  // `strStorage` (the root when empty), as a String array with lower bound 0 in
  // the document's order, or Empty when there are none.
  Variant EnumStreams();
  Variant EnumStreams(std::u16string& strStorage);
  Variant EnumStreams(std::u16string_view strStorage);
  Variant EnumStorages();
  Variant EnumStorages(std::u16string& strStorage);
  Variant EnumStorages(std::u16string_view strStorage);

  // ---- The loaded stream ----
  // Stream text is one Windows-1252 byte per character, lines end with CR LF;
  // positions are 0-based byte offsets and -1 means the current position.
  // Before a Load every member below raises ionotloaded, except Clear and
  // CloseLoadedFile, which then do nothing.

  // Opens the stream `Name` (creating it and any missing storages) as the loaded
  // stream, after closing the one loaded before. True when it existed already.
  bool Load(std::u16string& Name);
  bool Load(std::u16string_view Name);
  // Commits the loaded stream into its storage and closes it; nothing when none is loaded.
  void CloseLoadedFile();

  // Moves to `SeekPos` (-1: stays) and returns the position.
  int32_t SeekInFile(int32_t SeekPos = -1);
  // The next line, without its line end, from `SeekPos` when it is not -1; the
  // caller's variable is then set to -1. A lone CR ends a line too. With
  // FilterQuotes set, a line end inside double quotes belongs to the line.
  std::u16string GetLine();
  std::u16string GetLine(int32_t& SeekPos);
  std::u16string GetLine(int32_t&& SeekPos);

  // Lookups in the line index, built from the whole stream on first use (see
  // docs/loaded-stream.md): lines are numbered from 1, byte offsets from 0.
  std::u16string GetLineByNum(int32_t lngLineNum);
  std::u16string GetLineByByte(int32_t lngByteNum);
  int32_t GetNumLines();

  // Reads into `vData` as many bytes as its subtype takes (Byte 1, Integer 2,
  // Long 4, Double 8, a String one byte per character it holds).
  void GetFromFile(Variant& vData, int32_t SeekPos = -1);
  // Writes `vData` as GetFromFile reads it.
  void PutInFile(const Variant& vData, int32_t SeekPos = -1);
  // Writes `strOutput` followed by CR LF.
  void PutLine(std::u16string_view strOutput, int32_t SeekPos = -1);
  // Replaces the loaded stream by an empty one of the same name. Commits the
  // stream's storage, the document's root included when the stream lies there.
  void Clear();
  bool EOFStream() const;

  bool FilterQuotes() const { return filter_quotes_; }
  void FilterQuotes(bool value) { filter_quotes_ = value; }

  // ---- Events ----
  // Event sinks are raised in the order they connected. The sink stays connected
  // while the returned connection lives; keep it no longer than the sink. A sink
  // that is connected already (or none) gets an empty connection.
  EventConnection Connect(CFilesIOEvents* sink);

 protected:
  void RaiseStartOperation();
  void RaisePercentDone(int16_t& x);
  void RaiseFinishOperation();

 private:
  // CVellora carries the loaded stream across a save under a new path: its
  // changes go into the document that is copied, and it is opened again, at the
  // same position, in the copy.
  // When the document is closed or reverted, the loaded stream and its line
  // index go without a commit: they belong to changes that are dropped.
  friend class CVellora;
  void CommitLoadedStream();
  void ReopenLoadedStream();
  void DiscardLoadedStream();

  Variant EnumChildren(std::u16string& strStorage, int16_t type, std::u16string_view frame);
  Stream& LoadedStream(std::u16string_view description);
  void LoadLines();
  LineList& Lines();
  void DiscardLines();

  int32_t class_debug_id_;
  bool dirty_ = false;
  bool filter_quotes_ = false;
  bool in_quote_ = false;
  std::unique_ptr<LineList> lines_;
  std::u16string lines_key_;
  Storage storage_;
  Stream stream_;
  // Where the loaded stream lies: its storage path under the root and its name.
  std::u16string loaded_storage_path_;
  std::u16string loaded_stream_name_;
  std::unique_ptr<StreamWindow> window_;
  std::vector<CFilesIOEvents*> sinks_;
  std::shared_ptr<const void> alive_ = std::make_shared<const bool>(true);  // what connections watch
};

}  // namespace vellora2
