// CVellora, its element objects, pictures and the events, as Python sees them.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <functional>
#include <memory>
#include <string>

#include "python/convert.hpp"
#include "python/module.hpp"
#include "python/owner.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/elements/chelpio.hpp"
#include "vellora2/elements/cimagesio.hpp"
#include "vellora2/elements/cobjectsio.hpp"
#include "vellora2/elements/picture.hpp"
#include "vellora2/forms/properties_text.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::python {
namespace {

using namespace pybind11::literals;

// A script's event handlers: either one object whose methods carry the events'
// names or one callable per event, given by keyword. A null object when there
// is none, so that a disconnected sink holds nothing of Python's.
py::object Handler(const py::object& handler, const py::kwargs& callables, const char* name) {
  py::object found;
  if (callables.contains(name)) {
    found = callables[name];
  } else if (!handler.is_none() && py::hasattr(handler, name)) {
    found = handler.attr(name);
  }
  return found.is_none() ? py::object() : found;
}

void CheckHandlerNames(const py::kwargs& callables, std::initializer_list<const char*> names) {
  for (const auto& item : callables) {
    const auto key = py::str(item.first).cast<std::string>();
    bool known = false;
    for (const char* name : names) known = known || key == name;
    if (!known) throw py::type_error("no event named " + key);
    if (!item.second.is_none() && !PyCallable_Check(item.second.ptr())) {
      throw py::type_error("the handler of " + key + " is not callable");
    }
  }
}

// A by-reference Integer handed to a handler: it returns the new value, or None
// to leave it as it is.
void UpdateInteger(const py::object& result, int16_t& x) {
  if (result.is_none()) return;
  if (!py::isinstance<py::int_>(result) || py::isinstance<py::bool_>(result)) {
    throw py::type_error("PercentDone must return an int or None");
  }
  const auto value = result.cast<long long>();
  if (value < INT16_MIN || value > INT16_MAX) throw py::value_error("PercentDone must return a 16-bit integer");
  x = static_cast<int16_t>(value);
}

// The operation events, shared by CFilesIO and CVellora. Handlers are called
// through copies: a handler may disconnect its own connection, which clears them.
struct OperationHandlers {
  py::object start, percent, finish;

  // The library raises events with the GIL released (WithoutGil); each takes it back.
  void Start() const {
    const py::gil_scoped_acquire gil;
    if (py::object call = start) CallbackScope::Invoke([&] { call(); });
  }
  void Percent(int16_t& x) const {
    const py::gil_scoped_acquire gil;
    if (py::object call = percent) CallbackScope::Invoke([&] { UpdateInteger(call(x), x); });
  }
  void Finish() const {
    const py::gil_scoped_acquire gil;
    if (py::object call = finish) CallbackScope::Invoke([&] { call(); });
  }
  void Clear() { DropWithGil(start, percent, finish); }
};

// A sink whose handlers can be dropped while the library may still hold its
// address: a raise in progress walks a copy of the sink list.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Clear() = 0;
};

class FilesIOSink : public CFilesIOEvents, public Sink {
 public:
  explicit FilesIOSink(OperationHandlers handlers) : handlers_(std::move(handlers)) {}
  FilesIOSink(const FilesIOSink&) = delete;
  FilesIOSink& operator=(const FilesIOSink&) = delete;
  // The library may drop the sink's last reference without the GIL.
  ~FilesIOSink() override { handlers_.Clear(); }
  void Clear() override { handlers_.Clear(); }
  void StartOperation() override { handlers_.Start(); }
  void PercentDone(int16_t& x) override { handlers_.Percent(x); }
  void FinishOperation() override { handlers_.Finish(); }

 private:
  OperationHandlers handlers_;
};

class DocumentSink : public CVelloraEvents, public Sink {
 public:
  DocumentSink(py::object correct, OperationHandlers handlers)
      : correct_(std::move(correct)), handlers_(std::move(handlers)) {}
  DocumentSink(const DocumentSink&) = delete;
  DocumentSink& operator=(const DocumentSink&) = delete;
  ~DocumentSink() override { DocumentSink::Clear(); }
  void Clear() override {
    DropWithGil(correct_);
    handlers_.Clear();
  }
  void IsCorrectFileType(bool& blnCorrect) override {
    const py::gil_scoped_acquire gil;
    const py::object call = correct_;
    if (!call) return;
    CallbackScope::Invoke([&] {
      const py::object result = call(blnCorrect);
      if (result.is_none()) return;
      if (!py::isinstance<py::bool_>(result)) throw py::type_error("IsCorrectFileType must return a bool or None");
      blnCorrect = result.cast<bool>();
    });
  }
  void StartOperation() override { handlers_.Start(); }
  void PercentDone(int16_t& x) override { handlers_.Percent(x); }
  void FinishOperation() override { handlers_.Finish(); }

 private:
  py::object correct_;
  OperationHandlers handlers_;
};

// What connect() returns: the handlers stay connected while it lives or until
// disconnect() (or the end of a with block). The sink itself outlives the
// connection until no raise can hold its address: to the end of the running
// library call, or, dropped on another thread, to the end of the owner thread.
class Connection {
 public:
  Connection(std::shared_ptr<Sink> sink, std::function<void()> detach)
      : owner_(ThreadToken()), sink_(std::move(sink)), detach_(std::move(detach)) {}
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    if (!detach_) return;
    if (owner_ == ThreadToken()) {
      Disconnect();
      return;
    }
    Detach();
    OwnerRelease(owner_, std::move(sink_))(nullptr);
  }
  void Disconnect() {
    if (!detach_) return;
    if (owner_ != ThreadToken()) RaiseWrongThread(py::type::of<Connection>());
    Detach();
    CallbackScope::KeepToTheEnd(std::move(sink_));
  }
  bool connected() const { return static_cast<bool>(detach_); }

 private:
  void Detach() {
    std::exchange(detach_, nullptr)();
    sink_->Clear();
  }

  uint64_t owner_;
  std::shared_ptr<Sink> sink_;
  std::function<void()> detach_;
};

std::unique_ptr<Connection> ConnectFilesIO(const std::shared_ptr<CFilesIO>& files, const py::object& handler,
                                           const py::kwargs& callables) {
  CheckHandlerNames(callables, {"StartOperation", "PercentDone", "FinishOperation"});
  auto sink = std::make_shared<FilesIOSink>(OperationHandlers{Handler(handler, callables, "StartOperation"),
                                                              Handler(handler, callables, "PercentDone"),
                                                              Handler(handler, callables, "FinishOperation")});
  auto link = std::make_shared<EventConnection>(files->Connect(sink.get()));
  return std::make_unique<Connection>(std::move(sink), [files, link] { link->Disconnect(); });
}

std::unique_ptr<Connection> ConnectDocument(const std::shared_ptr<CVellora>& doc, const py::object& handler,
                                            const py::kwargs& callables) {
  CheckHandlerNames(callables, {"IsCorrectFileType", "StartOperation", "PercentDone", "FinishOperation"});
  auto sink = std::make_shared<DocumentSink>(Handler(handler, callables, "IsCorrectFileType"),
                                             OperationHandlers{Handler(handler, callables, "StartOperation"),
                                                               Handler(handler, callables, "PercentDone"),
                                                               Handler(handler, callables, "FinishOperation")});
  auto link = std::make_shared<EventConnection>(doc->Connect(sink.get()));
  return std::make_unique<Connection>(std::move(sink), [doc, link] { link->Disconnect(); });
}

// A loaded stream as a context: Load on creation, CloseLoadedFile at the end of
// the with block, whether it ends normally or by an exception.
class LoadedStream {
 public:
  LoadedStream(std::shared_ptr<CFilesIO> files, std::u16string name) : files_(std::move(files)), name_(std::move(name)) {
    existed_ = files_->Load(name_);
  }
  void Close() { Owned(files_).CloseLoadedFile(); }
  const std::shared_ptr<CFilesIO>& files() const { return files_; }
  bool existed() const { return existed_; }
  const std::u16string& name() const { return name_; }

 private:
  std::shared_ptr<CFilesIO> files_;
  std::u16string name_;
  bool existed_ = false;
};

// An element object the document takes: not None, and of the calling thread.
template <typename T>
std::shared_ptr<T> Required(std::shared_ptr<T> value, const char* what) {
  if (!value) throw py::type_error(std::string(what) + " cannot be None");
  Owned(value);
  return value;
}

void BindPicture(py::module_& m) {
  py::enum_<PictureFormat>(m, "PictureFormat")
      .value("Png", PictureFormat::Png)
      .value("Jpeg", PictureFormat::Jpeg)
      .value("Gif", PictureFormat::Gif)
      .value("Bmp", PictureFormat::Bmp);
  py::class_<Picture, std::shared_ptr<Picture>>(m, "Picture")
      .def_static(
          "FromBytes", [](const py::bytes& b) { return Picture::FromBytes(b.cast<std::string>()); }, "bytes"_a,
          "A picture from the bytes of a PNG, JPEG, GIF or BMP image file, kept as given.\nRaises 481 (invalid "
          "picture) for anything else.")
      .def_static("FromFile", &Picture::FromFile, "path"_a, py::call_guard<py::gil_scoped_release>(),
                  "A picture from the image file at path. Raises 53 when it is missing, the file errors, then 481 for "
                  "an unknown format.")
      .def_property_readonly("format", &Picture::format, "The picture's format, a PictureFormat.")
      .def_property_readonly("width", &Picture::width, "The picture's width in pixels.")
      .def_property_readonly("height", &Picture::height, "The picture's height in pixels.")
      .def_property_readonly(
          "bytes", [](const Picture& p) { return Bytes(p.bytes()); }, "The image file's bytes, exactly as given.")
      .def_property_readonly(
          "extension", [](const Picture& p) { return std::u16string(p.extension()); },
          "The file-name extension that suits the format: \".png\", \".jpg\", \".gif\" or \".bmp\".");
}

void BindFilesIO(py::module_& m) {
  py::class_<Connection>(m, "EventConnection")
      .def("disconnect", &Connection::Disconnect,
           "Stops calling the handlers of this connection; later calls do nothing.")
      .def_property_readonly("connected", &Connection::connected,
                             "True until disconnect() is called or the with block ends.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](Connection& c, const py::args&) { c.Disconnect(); });

  BoundClass<CFilesIO> files(m, "CFilesIO");
  py::class_<LoadedStream>(m, "LoadedStream")
      .def_property_readonly("files", &LoadedStream::files, "The CFilesIO whose loaded stream this is.")
      .def_property_readonly("existed", &LoadedStream::existed,
                             "True if the stream existed before it was loaded, False if it was created.")
      .def_property_readonly("Name", &LoadedStream::name, "The element path of the loaded stream, as Load returned it.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](LoadedStream& s, const py::args&) { s.Close(); });

  files
      .def_property("Dirty", py::overload_cast<>(&CFilesIO::Dirty, py::const_),
                    py::overload_cast<bool>(&CFilesIO::Dirty),
                    "True after Import, Delete, PutInFile, PutLine or Clear changed the document; only the host or the "
                    "document clears it.")
      .def_property_readonly("ClassDebugID", &CFilesIO::ClassDebugID,
                             "The object's debug ID, taken from the thread's counter when it was made.")
      .def_property(
          "FilterQuotes", py::overload_cast<>(&CFilesIO::FilterQuotes, py::const_),
          py::overload_cast<bool>(&CFilesIO::FilterQuotes),
          "When True, GetLine keeps a CR LF inside a double-quoted section as part of the line. False at first.")
      .def_property_readonly("EOFStream", &CFilesIO::EOFStream,
                             "True when the position is at the end of the loaded stream.")
      .def(
          "Import",
          [](CFilesIO& self, std::u16string FileLocation, std::u16string Name) {
            try {
              WithoutGil([&] { self.Import(FileLocation, Name); });
            } catch (const AutomationError& e) {
              throw ErrorWithByRef{e, py::make_tuple(FileLocation, Name)};
            }
            return py::make_tuple(FileLocation, Name);
          },
          "FileLocation"_a, "Name"_a,
          "Copies the disk file FileLocation into the document as the stream at element path Name, replacing one of "
          "that name.\nReturns (FileLocation, Name). A missing file raises 53 with FileLocation set to its full path "
          "(in the error's byref).")
      .def(
          "Export",
          [](CFilesIO& self, std::u16string Name, std::u16string FileLocation) {
            CallbackScope::Run([&] { self.Export(Name, FileLocation); });
            return Name;
          },
          "Name"_a, "FileLocation"_a,
          "Copies the stream at element path Name to the new disk file FileLocation, raising the progress "
          "events.\nReturns Name. An existing file raises 58, a missing folder 52, a missing stream ioElementNotFound.")
      .def(
          "Delete",
          [](CFilesIO& self, std::u16string Name) {
            self.Delete(Name);
            return Name;
          },
          "Name"_a,
          "Removes the stream or storage (with everything in it) at element path Name.\nReturns Name without its "
          "leading backslash. Storage errors (a missing element) pass through.")
      .def(
          "Rename",
          [](CFilesIO& self, std::u16string OldName, const std::u16string& NewName) {
            self.Rename(OldName, NewName);
            return OldName;
          },
          "OldName"_a, "NewName"_a,
          "Renames the element at path OldName to the plain name NewName in the same storage.\nReturns OldName without "
          "its leading backslash. Storage errors pass through.")
      .def(
          "EnumStreams", [](CFilesIO& self) { return FromVariant(self.EnumStreams()); },
          "The names of the streams directly under the root, as a list, or None when there are none.")
      .def(
          "EnumStreams",
          [](CFilesIO& self, std::u16string strStorage) {
            py::object names = FromVariant(self.EnumStreams(strStorage));
            return py::make_tuple(names, strStorage);
          },
          "strStorage"_a,
          "The names of the streams directly in storage strStorage, or None when there are none.\nReturns (names, "
          "strStorage without its leading backslash); a missing storage raises the storage error.")
      .def(
          "EnumStorages", [](CFilesIO& self) { return FromVariant(self.EnumStorages()); },
          "The names of the storages directly under the root, as a list, or None when there are none.")
      .def(
          "EnumStorages",
          [](CFilesIO& self, std::u16string strStorage) {
            py::object names = FromVariant(self.EnumStorages(strStorage));
            return py::make_tuple(names, strStorage);
          },
          "strStorage"_a,
          "The names of the storages directly in storage strStorage, or None when there are none.\nReturns (names, "
          "strStorage without its leading backslash); a missing storage raises the storage error.")
      .def(
          "Load",
          [](CFilesIO& self, std::u16string Name) {
            const bool existed = self.Load(Name);
            return py::make_tuple(existed, Name);
          },
          "Name"_a,
          "Makes the stream at element path Name the loaded stream, creating it and missing storages when "
          "needed.\nReturns (existed, Name): existed is False when the stream was created. Storage errors pass "
          "through.")
      .def("CloseLoadedFile", &CFilesIO::CloseLoadedFile,
           "Commits and closes the loaded stream; nothing happens when none is loaded.")
      .def(
          "loaded",
          [](const std::shared_ptr<CFilesIO>& self, std::u16string Name) {
            return std::make_unique<LoadedStream>(self, std::move(Name));
          },
          "Name"_a, "Loads the stream at element path Name for a with block, which closes it at its end; see Load.")
      .def("SeekInFile", &CFilesIO::SeekInFile, "SeekPos"_a = -1,
           "Moves to byte SeekPos of the loaded stream (-1: stay) and returns the position.\nRaises ionotloaded when "
           "nothing is loaded.")
      .def(
          "GetLine", [](CFilesIO& self) { return self.GetLine(); },
          "The next line of the loaded stream, without its CR LF; \"\" at the end.\nRaises ionotloaded when nothing is "
          "loaded.")
      .def(
          "GetLine",
          [](CFilesIO& self, int32_t SeekPos) {
            std::u16string line = self.GetLine(SeekPos);
            return py::make_tuple(line, SeekPos);
          },
          "SeekPos"_a,
          "The line starting at byte SeekPos (-1: the current position).\nReturns (line, SeekPos), SeekPos being -1 "
          "afterwards. Raises ionotloaded when nothing is loaded.")
      .def("GetLineByNum", &CFilesIO::GetLineByNum, "lngLineNum"_a,
           "The text of line lngLineNum of the loaded stream, from an index built on first use.\nRaises ionotloaded "
           "when nothing is loaded.")
      .def("GetLineByByte", &CFilesIO::GetLineByByte, "lngByteNum"_a,
           "The text of the line of the loaded stream that holds byte lngByteNum.\nRaises ionotloaded when nothing is "
           "loaded.")
      .def("GetNumLines", &CFilesIO::GetNumLines,
           "The number of lines of the loaded stream. Raises ionotloaded when nothing is loaded.")
      .def(
          "GetFromFile",
          [](CFilesIO& self, const py::object& vData, int32_t SeekPos) {
            Variant value = ToVariant(vData);
            self.GetFromFile(value, SeekPos);
            return FromVariant(value);
          },
          "vData"_a, "SeekPos"_a = -1,
          "Reads a value of vData's type from byte SeekPos (-1: current position) of the loaded stream and returns "
          "it.\nPass a Variant to choose the subtype. Raises ionotloaded when nothing is loaded.")
      .def(
          "PutInFile",
          [](CFilesIO& self, const py::object& vData, int32_t SeekPos) { self.PutInFile(ToVariant(vData), SeekPos); },
          "vData"_a, "SeekPos"_a = -1,
          "Writes vData at byte SeekPos (-1: current position) of the loaded stream.\nRaises ionotloaded when nothing "
          "is loaded.")
      .def(
          "PutLine",
          [](CFilesIO& self, const std::u16string& strOutput, int32_t SeekPos) { self.PutLine(strOutput, SeekPos); },
          "strOutput"_a, "SeekPos"_a = -1,
          "Writes strOutput and CR LF at byte SeekPos (-1: current position) of the loaded stream.\nRaises ionotloaded "
          "when nothing is loaded.")
      .def("Clear", &CFilesIO::Clear,
           "Empties the loaded stream (it keeps its name); does nothing when none is loaded.")
      .def(
          "connect",
          [](const std::shared_ptr<CFilesIO>& self, const py::object& handler, const py::kwargs& callables) {
            return ConnectFilesIO(self, handler, callables);
          },
          "handler"_a = py::none(),
          "Calls handler's StartOperation, PercentDone and FinishOperation methods (or the callables given by those "
          "names) on Export's events.\nReturns an EventConnection; PercentDone may return a new value.");
}

void BindOtherElements(py::module_& m) {
  BoundClass<CImagesIO>(m, "CImagesIO")
      .def_property(
          "Dirty", py::overload_cast<>(&CImagesIO::Dirty, py::const_), py::overload_cast<bool>(&CImagesIO::Dirty),
          "True after Store, StoreFile or Rename changed the pictures; only the host or the document clears it.")
      .def_property_readonly("ClassDebugID", &CImagesIO::ClassDebugID,
                             "The object's debug ID, taken from the thread's counter when it was made.")
      .def(
          "Store",
          [](CImagesIO& self, const Picture& ImageObj, const std::u16string& Name) { self.Store(ImageObj, Name); },
          "ImageObj"_a, "Name"_a,
          "Stores the Picture ImageObj as Name in the storage \"Images\", replacing one of that name.\nFailures are "
          "ignored: nothing is stored.")
      .def("StoreFile", WithoutGil(&CImagesIO::StoreFile), "strFile"_a, "Name"_a,
           "Stores the bytes of the image file strFile as Name in the storage \"Images\"; missing storages are "
           "created.\nA missing file raises 53; other errors pass through.")
      .def(
          "Load", [](CImagesIO& self, const std::u16string& Name) { return self.Load(Name); }, "Name"_a,
          "The picture stored as Name, or None when there is none or it cannot be read. Raises no error.")
      .def(
          "Rename",
          [](CImagesIO& self, const std::u16string& OldName, const std::u16string& NewName) {
            self.Rename(OldName, NewName);
          },
          "OldName"_a, "NewName"_a,
          "Renames the picture OldName to NewName; equal or empty names do nothing. Raises no error.")
      .def(
          "EnumStreams", [](CImagesIO& self) { return FromVariant(self.EnumStreams()); },
          "The names of the stored pictures, as a list, or None when there are none. Raises no error.");

  BoundClass<CHelpIO>(m, "CHelpIO")
      .def_property("Dirty", py::overload_cast<>(&CHelpIO::Dirty, py::const_), py::overload_cast<bool>(&CHelpIO::Dirty),
                    "True after Import or Remove changed the help file; only the host or the document clears it.")
      .def_property_readonly("ClassDebugID", &CHelpIO::ClassDebugID,
                             "The object's debug ID, taken from the thread's counter when it was made.")
      .def(
          "Import",
          [](CHelpIO& self, std::u16string FileLocation) {
            try {
              WithoutGil([&] { self.Import(FileLocation); });
            } catch (const AutomationError& e) {
              throw ErrorWithByRef{e, py::make_tuple(FileLocation)};
            }
            return FileLocation;
          },
          "FileLocation"_a,
          "Copies the disk file FileLocation into the document as its help file, replacing one there.\nReturns "
          "FileLocation. A missing file raises 53 with FileLocation set to its full path.")
      .def(
          "Export",
          [](CHelpIO& self, const std::u16string& FileLocation) { WithoutGil([&] { self.Export(FileLocation); }); },
          "FileLocation"_a, "Copies the document's help file to the new disk file FileLocation. Failures are ignored.")
      .def("Remove", &CHelpIO::Remove, "Removes the document's help file. Failures (no help file) are ignored.")
      .def("ExistFile", &CHelpIO::ExistFile,
           "True when the document holds a help file.\nRaises the storage error when the document has no storage "
           "\"Help\" or none is open.");

  BoundClass<CObjectsIO>(m, "CObjectsIO")
      .def_property("Dirty", py::overload_cast<>(&CObjectsIO::Dirty, py::const_),
                    py::overload_cast<bool>(&CObjectsIO::Dirty),
                    "The objects' change flag; only the host or the document changes it.")
      .def_property_readonly("ClassDebugID", &CObjectsIO::ClassDebugID,
                             "The object's debug ID, taken from the thread's counter when it was made.");
}

// A text property of the document: read with the first overload, set with the second.
template <std::u16string (CVellora::*Get)(), void (CVellora::*Set)(const std::u16string&)>
void TextProperty(BoundClass<CVellora>& c, const char* name, const char* doc) {
  c.def_property(
      name, [](CVellora& self) { return (self.*Get)(); },
      [](CVellora& self, const std::u16string& value) { (self.*Set)(value); }, doc);
}

void BindDocument(py::module_& m) {
  py::enum_<ioDocUserProperties>(m, "ioDocUserProperties")
      .value("Email", Email)
      .value("WebPage", WebPage)
      .value("PhoneNum", PhoneNum);

  BoundClass<CVellora> doc(m, "CVellora");
  doc.def(py::init([] { return Adopt(std::make_shared<CVellora>()); }))
      .def("NewFile", WithoutGil(&CVellora::NewFile),
           "Closes the open document (asking to save a changed one) and starts a new, unsaved one. Returns True.")
      .def(
          "OpenFile",
          [](CVellora& self, std::u16string file) { return CallbackScope::Run([&] { return self.OpenFile(file); }); },
          "file"_a = std::u16string(),
          "Opens the document file (the open dialog when \"\"), closing the open one first.\nReturns True when a "
          "document was opened; False on cancel, a missing file or one that is not a compound file.")
      .def(
          "OpenFileReadOnly",
          [](CVellora& self, std::u16string file) {
            return CallbackScope::Run([&] { return self.OpenFileReadOnly(file); });
          },
          "file"_a = std::u16string(), "As OpenFile, but opens the document for reading only.")
      .def("CloseFile", WithoutGil(&CVellora::CloseFile),
           "Closes the open document, asking to save it when it has changed.\nRaises ioCancel when the user cancels "
           "the save dialog.")
      .def("Revert", WithoutGil(&CVellora::Revert),
           "Discards every change since the document was last committed and clears Dirty. Needs an open document "
           "(error 91 without one).")
      .def("EditProperties", WithoutGil(&CVellora::EditProperties), "Shows the document's properties window.")
      .def("GetTitle", &CVellora::GetTitle,
           "The open document's summary title. Needs an open document (error 91 without one).")
      .def(
          "SaveToPath",
          [](CVellora& self, const std::u16string& strPath) {
            return FromVariant(WithoutGil([&] { return self.SaveToPath(strPath); }));
          },
          "strPath"_a,
          "Saves the document to the file strPath and returns None. Needs an open document (error 91 without one).")
      .def("SaveAsFile", WithoutGil(&CVellora::SaveAsFile),
           "Asks for a file name with the save dialog and saves the document there.\nRaises ioCancel when the user "
           "cancels.")
      .def("SaveFile", WithoutGil(&CVellora::SaveFile),
           "Saves the document to its file, or as SaveAsFile when it has none.\nRaises ioCancel when the user cancels "
           "the save dialog.")
      .def_property(
          "CFilesIO", [](CVellora& self) { return Adopt(self.GetCFilesIO()); },
          [](CVellora& self, std::shared_ptr<CFilesIO> v) { self.SetCFilesIO(Required(std::move(v), "CFilesIO")); },
          "The document's CFilesIO; setting it makes the document listen to the new one's events.")
      .def_property(
          "CImagesIO", [](CVellora& self) { return Adopt(self.GetCImagesIO()); },
          [](CVellora& self, std::shared_ptr<CImagesIO> v) { self.SetCImagesIO(Required(std::move(v), "CImagesIO")); },
          "The document's CImagesIO.")
      .def_property(
          "CHelpIO", [](CVellora& self) { return Adopt(self.GetCHelpIO()); },
          [](CVellora& self, std::shared_ptr<CHelpIO> v) { self.SetCHelpIO(Required(std::move(v), "CHelpIO")); },
          "The document's CHelpIO.")
      .def_property(
          "CObjectsIO", [](CVellora& self) { return Adopt(self.GetCObjectsIO()); },
          [](CVellora& self, std::shared_ptr<CObjectsIO> v) {
            self.SetCObjectsIO(Required(std::move(v), "CObjectsIO"));
          },
          "The document's CObjectsIO.")
      .def_property("DialogBoxParentHwnd", py::overload_cast<>(&CVellora::DialogBoxParentHwnd, py::const_),
                    py::overload_cast<int32_t>(&CVellora::DialogBoxParentHwnd),
                    "The window that dialogs belong to; reads -1 while it is 0 or negative.")
      .def_property(
          "strFilePath", [](const CVellora& self) { return self.strFilePath(); },
          [](CVellora& self, std::u16string v) { self.strFilePath(std::move(v)); },
          "The full path of the document's file; \"\" when it has none.")
      .def_property(
          "strFileName", [](const CVellora& self) { return self.strFileName(); },
          [](CVellora& self, std::u16string v) { self.strFileName(std::move(v)); },
          "The file name of the document's file; \"\" when it has none.")
      .def_property("Dirty", py::overload_cast<>(&CVellora::Dirty, py::const_),
                    py::overload_cast<bool>(&CVellora::Dirty),
                    "True when the document or any of its element objects changed; setting it sets them all.")
      .def_property_readonly(
          "ClassDebugID", [](const CVellora& self) { return FromVariant(self.ClassDebugID()); },
          "The object's debug ID, taken from the thread's counter when it was made.")
      .def_property_readonly("blnDocumentOpen", &CVellora::blnDocumentOpen, "True while a document is open.")
      .def_property_readonly("blnReadOnly", &CVellora::blnReadOnly,
                             "True when the open document was opened for reading only.");
  TextProperty<&CVellora::AppName, &CVellora::AppName>(doc, "AppName",
                                                       "The name of the application that writes documents, kept with "
                                                       "no document open and stored in the open one. Never raises.");
  TextProperty<&CVellora::AppVersion, &CVellora::AppVersion>(
      doc, "AppVersion",
      "The version text of the application that writes documents, stored in the open one as \"AppVersion\". Never "
      "raises.");
  TextProperty<&CVellora::DocTitle, &CVellora::DocTitle>(
      doc, "DocTitle", "The document's summary title. Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocAuthor, &CVellora::DocAuthor>(
      doc, "DocAuthor", "The document's summary author. Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocSubject, &CVellora::DocSubject>(
      doc, "DocSubject", "The document's summary subject. Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocCompany, &CVellora::DocCompany>(
      doc, "DocCompany",
      "The company in the document's summary information. Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocEmail, &CVellora::DocEmail>(
      doc, "DocEmail",
      "The document's user-defined property \"Email\". Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocPhoneNum, &CVellora::DocPhoneNum>(
      doc, "DocPhoneNum",
      "The document's user-defined property \"PhoneNum\". Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocWebPage, &CVellora::DocWebPage>(
      doc, "DocWebPage",
      "The document's user-defined property \"WebPage\". Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocComments, &CVellora::DocComments>(
      doc, "DocComments", "The document's summary comments. Needs an open document (error 91 without one).");
  TextProperty<&CVellora::DocKeywords, &CVellora::DocKeywords>(
      doc, "DocKeywords", "The document's summary keywords. Needs an open document (error 91 without one).");
  doc.def(
         "connect",
         [](const std::shared_ptr<CVellora>& self, const py::object& handler, const py::kwargs& callables) {
           return ConnectDocument(self, handler, callables);
         },
         "handler"_a = py::none(),
         "Calls handler's IsCorrectFileType, StartOperation, PercentDone and FinishOperation methods (or the callables "
         "given by those names) on the document's events.\nReturns an EventConnection; IsCorrectFileType may return "
         "False to refuse a file.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](CVellora& self, const py::object& exc_type, const py::object&, const py::object&) {
        // A block that failed leaves its changes unsaved instead of asking about them.
        if (!exc_type.is_none()) self.Dirty(false);
        self.CloseFile();
      });
}

}  // namespace

void BindDocumentClasses(py::module_& m) {
  BindPicture(m);
  BindFilesIO(m);
  BindOtherElements(m);
  BindDocument(m);
  m.def("CanShowPropertiesWindow", &CanShowPropertiesWindow,
        "True when EditProperties can show its window on a screen from this thread (a desktop session and GTK).");
  m.def("IsPropertiesWindowOpen", &IsPropertiesWindowOpen,
        "True while this thread's File Properties window is open; a host without an event loop calls DoWaitEvents "
        "meanwhile.");
  m.def(
      "PropertiesText", [](const std::shared_ptr<CVellora>& document) { return PropertiesText(Owned(document)); },
      "document"_a,
      "The \"General\", \"Summary\" and \"Statistics\" tabs of document's properties window as text, one \"Caption: "
      "value\" line per row.");
}

}  // namespace vellora2::python
