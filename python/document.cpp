// CVellora, its element objects, pictures and the events, as Python sees them.
#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <functional>
#include <memory>
#include <string>

#include "python/convert.hpp"
#include "python/module.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/elements/chelpio.hpp"
#include "vellora2/elements/cimagesio.hpp"
#include "vellora2/elements/cobjectsio.hpp"
#include "vellora2/elements/picture.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::python {
namespace {

using namespace pybind11::literals;

// A script's event handlers: either one object whose methods carry the events'
// names or one callable per event, given by keyword.
py::object Handler(const py::object& handler, const py::kwargs& callables, const char* name) {
  if (callables.contains(name)) return callables[name];
  if (!handler.is_none() && py::hasattr(handler, name)) return handler.attr(name);
  return py::none();
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

// The operation events, shared by CFilesIO and CVellora.
struct OperationHandlers {
  py::object start, percent, finish;

  void Start() const {
    if (!start.is_none()) CallbackScope::Invoke([&] { start(); });
  }
  void Percent(int16_t& x) const {
    if (!percent.is_none()) CallbackScope::Invoke([&] { UpdateInteger(percent(x), x); });
  }
  void Finish() const {
    if (!finish.is_none()) CallbackScope::Invoke([&] { finish(); });
  }
};

class FilesIOSink : public CFilesIOEvents {
 public:
  explicit FilesIOSink(OperationHandlers handlers) : handlers_(std::move(handlers)) {}
  void StartOperation() override { handlers_.Start(); }
  void PercentDone(int16_t& x) override { handlers_.Percent(x); }
  void FinishOperation() override { handlers_.Finish(); }

 private:
  OperationHandlers handlers_;
};

class DocumentSink : public CVelloraEvents {
 public:
  DocumentSink(py::object correct, OperationHandlers handlers)
      : correct_(std::move(correct)), handlers_(std::move(handlers)) {}
  void IsCorrectFileType(bool& blnCorrect) override {
    if (correct_.is_none()) return;
    CallbackScope::Invoke([&] {
      const py::object result = correct_(blnCorrect);
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
// disconnect() (or the end of a with block).
class Connection {
 public:
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { Disconnect(); }
  void Disconnect() {
    if (disconnect_) std::exchange(disconnect_, nullptr)();
  }
  bool connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

std::unique_ptr<Connection> ConnectFilesIO(const std::shared_ptr<CFilesIO>& files, const py::object& handler,
                                           const py::kwargs& callables) {
  CheckHandlerNames(callables, {"StartOperation", "PercentDone", "FinishOperation"});
  auto sink = std::make_shared<FilesIOSink>(OperationHandlers{Handler(handler, callables, "StartOperation"),
                                                              Handler(handler, callables, "PercentDone"),
                                                              Handler(handler, callables, "FinishOperation")});
  files->Connect(sink.get());
  return std::make_unique<Connection>([files, sink] { files->Disconnect(sink.get()); });
}

std::unique_ptr<Connection> ConnectDocument(CVellora& doc, const py::object& handler, const py::kwargs& callables) {
  CheckHandlerNames(callables, {"IsCorrectFileType", "StartOperation", "PercentDone", "FinishOperation"});
  auto sink = std::make_shared<DocumentSink>(Handler(handler, callables, "IsCorrectFileType"),
                                             OperationHandlers{Handler(handler, callables, "StartOperation"),
                                                               Handler(handler, callables, "PercentDone"),
                                                               Handler(handler, callables, "FinishOperation")});
  doc.Connect(sink.get());
  // The connection keeps the document alive (keep_alive below), so `doc` is valid here.
  return std::make_unique<Connection>([&doc, sink] { doc.Disconnect(sink.get()); });
}

// A loaded stream as a context: Load on creation, CloseLoadedFile at the end of
// the with block, whether it ends normally or by an exception.
class LoadedStream {
 public:
  LoadedStream(std::shared_ptr<CFilesIO> files, std::u16string name) : files_(std::move(files)), name_(std::move(name)) {
    existed_ = files_->Load(name_);
  }
  void Close() { files_->CloseLoadedFile(); }
  const std::shared_ptr<CFilesIO>& files() const { return files_; }
  bool existed() const { return existed_; }
  const std::u16string& name() const { return name_; }

 private:
  std::shared_ptr<CFilesIO> files_;
  std::u16string name_;
  bool existed_ = false;
};

template <typename T>
std::shared_ptr<T> Required(std::shared_ptr<T> value, const char* what) {
  if (!value) throw py::type_error(std::string(what) + " cannot be None");
  return value;
}

void BindPicture(py::module_& m) {
  py::enum_<PictureFormat>(m, "PictureFormat")
      .value("Png", PictureFormat::Png)
      .value("Jpeg", PictureFormat::Jpeg)
      .value("Gif", PictureFormat::Gif)
      .value("Bmp", PictureFormat::Bmp);
  py::class_<Picture, std::shared_ptr<Picture>>(m, "Picture")
      .def_static("FromBytes", [](const py::bytes& b) { return Picture::FromBytes(b.cast<std::string>()); }, "bytes"_a)
      .def_static("FromFile", &Picture::FromFile, "path"_a)
      .def_property_readonly("format", &Picture::format)
      .def_property_readonly("width", &Picture::width)
      .def_property_readonly("height", &Picture::height)
      .def_property_readonly("bytes", [](const Picture& p) { return Bytes(p.bytes()); })
      .def_property_readonly("extension", [](const Picture& p) { return std::u16string(p.extension()); });
}

void BindFilesIO(py::module_& m) {
  py::class_<Connection>(m, "EventConnection")
      .def("disconnect", &Connection::Disconnect)
      .def_property_readonly("connected", &Connection::connected)
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](Connection& c, const py::args&) { c.Disconnect(); });

  py::class_<CFilesIO, std::shared_ptr<CFilesIO>> files(m, "CFilesIO");
  py::class_<LoadedStream>(m, "LoadedStream")
      .def_property_readonly("files", &LoadedStream::files)
      .def_property_readonly("existed", &LoadedStream::existed)
      .def_property_readonly("Name", &LoadedStream::name)
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](LoadedStream& s, const py::args&) { s.Close(); });

  files.def_property("Dirty", py::overload_cast<>(&CFilesIO::Dirty, py::const_), py::overload_cast<bool>(&CFilesIO::Dirty))
      .def_property_readonly("ClassDebugID", &CFilesIO::ClassDebugID)
      .def_property("FilterQuotes", py::overload_cast<>(&CFilesIO::FilterQuotes, py::const_),
                    py::overload_cast<bool>(&CFilesIO::FilterQuotes))
      .def_property_readonly("EOFStream", &CFilesIO::EOFStream)
      .def(
          "Import",
          [](CFilesIO& self, std::u16string FileLocation, std::u16string Name) {
            try {
              self.Import(FileLocation, Name);
            } catch (const AutomationError& e) {
              throw ErrorWithByRef{e, py::make_tuple(FileLocation, Name)};
            }
            return py::make_tuple(FileLocation, Name);
          },
          "FileLocation"_a, "Name"_a)
      .def(
          "Export",
          [](CFilesIO& self, std::u16string Name, std::u16string FileLocation) {
            CallbackScope::Run([&] { self.Export(Name, FileLocation); });
            return Name;
          },
          "Name"_a, "FileLocation"_a)
      .def(
          "Delete",
          [](CFilesIO& self, std::u16string Name) {
            self.Delete(Name);
            return Name;
          },
          "Name"_a)
      .def(
          "Rename",
          [](CFilesIO& self, std::u16string OldName, std::u16string NewName) {
            self.Rename(OldName, NewName);
            return OldName;
          },
          "OldName"_a, "NewName"_a)
      .def("EnumStreams", [](CFilesIO& self) { return FromVariant(self.EnumStreams()); })
      .def(
          "EnumStreams",
          [](CFilesIO& self, std::u16string strStorage) {
            py::object names = FromVariant(self.EnumStreams(strStorage));
            return py::make_tuple(names, strStorage);
          },
          "strStorage"_a)
      .def("EnumStorages", [](CFilesIO& self) { return FromVariant(self.EnumStorages()); })
      .def(
          "EnumStorages",
          [](CFilesIO& self, std::u16string strStorage) {
            py::object names = FromVariant(self.EnumStorages(strStorage));
            return py::make_tuple(names, strStorage);
          },
          "strStorage"_a)
      .def(
          "Load",
          [](CFilesIO& self, std::u16string Name) {
            const bool existed = self.Load(Name);
            return py::make_tuple(existed, Name);
          },
          "Name"_a)
      .def("CloseLoadedFile", &CFilesIO::CloseLoadedFile)
      .def(
          "loaded",
          [](const std::shared_ptr<CFilesIO>& self, std::u16string Name) {
            return std::make_unique<LoadedStream>(self, std::move(Name));
          },
          "Name"_a)
      .def("SeekInFile", &CFilesIO::SeekInFile, "SeekPos"_a = -1)
      .def("GetLine", [](CFilesIO& self) { return self.GetLine(); })
      .def(
          "GetLine",
          [](CFilesIO& self, int32_t SeekPos) {
            std::u16string line = self.GetLine(SeekPos);
            return py::make_tuple(line, SeekPos);
          },
          "SeekPos"_a)
      .def("GetLineByNum", &CFilesIO::GetLineByNum, "lngLineNum"_a)
      .def("GetLineByByte", &CFilesIO::GetLineByByte, "lngByteNum"_a)
      .def("GetNumLines", &CFilesIO::GetNumLines)
      .def(
          "GetFromFile",
          [](CFilesIO& self, const py::object& vData, int32_t SeekPos) {
            Variant value = ToVariant(vData);
            self.GetFromFile(value, SeekPos);
            return FromVariant(value);
          },
          "vData"_a, "SeekPos"_a = -1)
      .def(
          "PutInFile", [](CFilesIO& self, const py::object& vData, int32_t SeekPos) { self.PutInFile(ToVariant(vData), SeekPos); },
          "vData"_a, "SeekPos"_a = -1)
      .def(
          "PutLine", [](CFilesIO& self, std::u16string strOutput, int32_t SeekPos) { self.PutLine(strOutput, SeekPos); },
          "strOutput"_a, "SeekPos"_a = -1)
      .def("Clear", &CFilesIO::Clear)
      .def(
          "connect",
          [](const std::shared_ptr<CFilesIO>& self, const py::object& handler, const py::kwargs& callables) {
            return ConnectFilesIO(self, handler, callables);
          },
          "handler"_a = py::none());
}

void BindOtherElements(py::module_& m) {
  py::class_<CImagesIO, std::shared_ptr<CImagesIO>>(m, "CImagesIO")
      .def_property("Dirty", py::overload_cast<>(&CImagesIO::Dirty, py::const_), py::overload_cast<bool>(&CImagesIO::Dirty))
      .def_property_readonly("ClassDebugID", &CImagesIO::ClassDebugID)
      .def(
          "Store", [](CImagesIO& self, const Picture& ImageObj, std::u16string Name) { self.Store(ImageObj, Name); },
          "ImageObj"_a, "Name"_a)
      .def("StoreFile", &CImagesIO::StoreFile, "strFile"_a, "Name"_a)
      .def(
          "Load", [](CImagesIO& self, std::u16string Name) { return self.Load(Name); }, "Name"_a)
      .def(
          "Rename", [](CImagesIO& self, std::u16string OldName, std::u16string NewName) { self.Rename(OldName, NewName); },
          "OldName"_a, "NewName"_a)
      .def("EnumStreams", [](CImagesIO& self) { return FromVariant(self.EnumStreams()); });

  py::class_<CHelpIO, std::shared_ptr<CHelpIO>>(m, "CHelpIO")
      .def_property("Dirty", py::overload_cast<>(&CHelpIO::Dirty, py::const_), py::overload_cast<bool>(&CHelpIO::Dirty))
      .def_property_readonly("ClassDebugID", &CHelpIO::ClassDebugID)
      .def(
          "Import",
          [](CHelpIO& self, std::u16string FileLocation) {
            try {
              self.Import(FileLocation);
            } catch (const AutomationError& e) {
              throw ErrorWithByRef{e, py::make_tuple(FileLocation)};
            }
            return FileLocation;
          },
          "FileLocation"_a)
      .def(
          "Export", [](CHelpIO& self, std::u16string FileLocation) { self.Export(FileLocation); }, "FileLocation"_a)
      .def("Remove", &CHelpIO::Remove)
      .def("ExistFile", &CHelpIO::ExistFile);

  py::class_<CObjectsIO, std::shared_ptr<CObjectsIO>>(m, "CObjectsIO")
      .def_property("Dirty", py::overload_cast<>(&CObjectsIO::Dirty, py::const_),
                    py::overload_cast<bool>(&CObjectsIO::Dirty))
      .def_property_readonly("ClassDebugID", &CObjectsIO::ClassDebugID);
}

// A text property of the document: read with the first overload, set with the second.
template <std::u16string (CVellora::*Get)(), void (CVellora::*Set)(const std::u16string&)>
void TextProperty(py::class_<CVellora>& c, const char* name) {
  c.def_property(
      name, [](CVellora& self) { return (self.*Get)(); },
      [](CVellora& self, const std::u16string& value) { (self.*Set)(value); });
}

void BindDocument(py::module_& m) {
  py::enum_<ioDocUserProperties>(m, "ioDocUserProperties")
      .value("Email", Email)
      .value("WebPage", WebPage)
      .value("PhoneNum", PhoneNum);

  py::class_<CVellora> doc(m, "CVellora");
  doc.def(py::init<>())
      .def("NewFile", &CVellora::NewFile)
      .def(
          "OpenFile", [](CVellora& self, std::u16string file) { return CallbackScope::Run([&] { return self.OpenFile(file); }); },
          "file"_a = std::u16string())
      .def(
          "OpenFileReadOnly",
          [](CVellora& self, std::u16string file) { return CallbackScope::Run([&] { return self.OpenFileReadOnly(file); }); },
          "file"_a = std::u16string())
      .def("CloseFile", &CVellora::CloseFile)
      .def("Revert", &CVellora::Revert)
      .def("GetTitle", &CVellora::GetTitle)
      .def(
          "SaveToPath", [](CVellora& self, const std::u16string& strPath) { return FromVariant(self.SaveToPath(strPath)); },
          "strPath"_a)
      .def("SaveAsFile", &CVellora::SaveAsFile)
      .def("SaveFile", &CVellora::SaveFile)
      .def_property(
          "CFilesIO", &CVellora::GetCFilesIO,
          [](CVellora& self, std::shared_ptr<CFilesIO> v) { self.SetCFilesIO(Required(std::move(v), "CFilesIO")); })
      .def_property(
          "CImagesIO", &CVellora::GetCImagesIO,
          [](CVellora& self, std::shared_ptr<CImagesIO> v) { self.SetCImagesIO(Required(std::move(v), "CImagesIO")); })
      .def_property(
          "CHelpIO", &CVellora::GetCHelpIO,
          [](CVellora& self, std::shared_ptr<CHelpIO> v) { self.SetCHelpIO(Required(std::move(v), "CHelpIO")); })
      .def_property(
          "CObjectsIO", &CVellora::GetCObjectsIO,
          [](CVellora& self, std::shared_ptr<CObjectsIO> v) { self.SetCObjectsIO(Required(std::move(v), "CObjectsIO")); })
      .def_property("DialogBoxParentHwnd", py::overload_cast<>(&CVellora::DialogBoxParentHwnd, py::const_),
                    py::overload_cast<int32_t>(&CVellora::DialogBoxParentHwnd))
      .def_property(
          "strFilePath", [](const CVellora& self) { return self.strFilePath(); },
          [](CVellora& self, std::u16string v) { self.strFilePath(std::move(v)); })
      .def_property(
          "strFileName", [](const CVellora& self) { return self.strFileName(); },
          [](CVellora& self, std::u16string v) { self.strFileName(std::move(v)); })
      .def_property("Dirty", py::overload_cast<>(&CVellora::Dirty, py::const_), py::overload_cast<bool>(&CVellora::Dirty))
      .def_property_readonly("ClassDebugID", [](const CVellora& self) { return FromVariant(self.ClassDebugID()); });
  TextProperty<&CVellora::AppName, &CVellora::AppName>(doc, "AppName");
  TextProperty<&CVellora::AppVersion, &CVellora::AppVersion>(doc, "AppVersion");
  TextProperty<&CVellora::DocTitle, &CVellora::DocTitle>(doc, "DocTitle");
  TextProperty<&CVellora::DocAuthor, &CVellora::DocAuthor>(doc, "DocAuthor");
  TextProperty<&CVellora::DocSubject, &CVellora::DocSubject>(doc, "DocSubject");
  TextProperty<&CVellora::DocCompany, &CVellora::DocCompany>(doc, "DocCompany");
  TextProperty<&CVellora::DocEmail, &CVellora::DocEmail>(doc, "DocEmail");
  TextProperty<&CVellora::DocPhoneNum, &CVellora::DocPhoneNum>(doc, "DocPhoneNum");
  TextProperty<&CVellora::DocWebPage, &CVellora::DocWebPage>(doc, "DocWebPage");
  TextProperty<&CVellora::DocComments, &CVellora::DocComments>(doc, "DocComments");
  TextProperty<&CVellora::DocKeywords, &CVellora::DocKeywords>(doc, "DocKeywords");
  doc.def(
         "connect",
         [](CVellora& self, const py::object& handler, const py::kwargs& callables) {
           return ConnectDocument(self, handler, callables);
         },
         "handler"_a = py::none(), py::keep_alive<0, 1>())
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
}

}  // namespace vellora2::python
