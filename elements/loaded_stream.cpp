// CFilesIO's loaded stream: one stream of the document held open for reading
// and writing at byte positions and by lines, with a line index built on demand.
#include <algorithm>
#include <array>
#include <new>

#include "document/thread_state.hpp"
#include "elements/document_access.hpp"
#include "elements/find_byte.hpp"
#include "elements/line_list.hpp"
#include "elements/stream_window.hpp"
#include "elements/widen_bytes.hpp"
#include "storage/element_path.hpp"
#include "storage/handler.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.CFilesIO";

constexpr std::u16string_view kNotLoaded = u"You must first Load an element in code.";
// PutLine has always said it this way; hosts may compare the text.
constexpr std::u16string_view kNotLoadedPutLine = u"You must first Load and element in code.";
constexpr std::u16string_view kStreamNotLoaded = u"Stream not loaded.";
// A constant, so that its length is not counted on every call.
constexpr std::u16string_view kGetLineFrame = u"|Vellora.CFilesIO::GetLine";

constexpr uint8_t kCR = 13;
constexpr uint8_t kLF = 10;
constexpr uint8_t kQuote = '"';

// The index's settings: text after the last line end is a line, empty lines
// count, and a line never includes its line end.
constexpr LineList::Settings kLineSettings{true, true, false};

// Windows-1252 to UTF-16 by table, filled from FromAnsi so that GetLine and the
// rest of the library always agree on every byte.
const std::array<char16_t, 256>& AnsiTable() {
  static const std::array<char16_t, 256> table = [] {
    std::string all(256, '\0');
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<char>(i);
    const std::u16string wide = FromAnsi(all);
    std::array<char16_t, 256> t{};
    std::copy(wide.begin(), wide.end(), t.begin());
    return t;
  }();
  return table;
}

// Writes `n` bytes as text to `to`. Bytes below 0x80, the bulk of most text,
// are their own code units; only a run that holds other bytes goes through the
// table.
void WidenAnsi(char16_t* to, const uint8_t* bytes, size_t n, const std::array<char16_t, 256>& table) {
  if (WidenBytes(to, bytes, n)) {
    for (size_t i = 0; i < n; ++i) to[i] = table[bytes[i]];
  }
}

void AppendAnsi(std::u16string& out, const uint8_t* bytes, size_t n, const std::array<char16_t, 256>& table) {
  const size_t at = out.size();
  out.resize(at + n);
  WidenAnsi(out.data() + at, bytes, n, table);
}

}  // namespace

Stream& CFilesIO::LoadedStream(std::u16string_view description) {
  if (!stream_) Raise(ionotloaded, std::u16string(kSource), std::u16string(description));
  return stream_;
}

bool CFilesIO::Load(std::u16string& Name) {
  HeldElements held;
  return RunWithStorageMessage(u"|Vellora.CFilesIO::Load", held, [&] {
    CloseLoadedFile();
    window_->Invalidate();
    // The index survives a Load of a path that ends with the key it was built
    // under, so that reloading the same element keeps it.
    if (lines_ && (Name.size() < lines_key_.size() ||
                   Name.compare(Name.size() - lines_key_.size(), lines_key_.size(), lines_key_) != 0)) {
      DiscardLines();
    }
    std::u16string storage_path;
    std::u16string stream_name;
    SplitStreamStorage(Name, storage_path, stream_name);
    Storage& root = elements::DocumentRoot(kSource);
    if (storage_path.empty()) {
      storage_ = root;
    } else {
      CreatePath(root, storage_path);
      storage_ = root.OpenStorage(storage_path, elements::kEditTransacted);
    }
    loaded_storage_path_ = storage_path;
    loaded_stream_name_ = stream_name;
    if (storage_.ElementType(stream_name) == STGTY_STREAM) {
      stream_ = storage_.OpenStream(stream_name, elements::kEdit);
      return true;
    }
    stream_ = storage_.CreateStream(stream_name, elements::kEdit);
    return false;
  });
}

bool CFilesIO::Load(std::u16string_view Name) {
  std::u16string name(Name);
  return Load(name);
}

void CFilesIO::CloseLoadedFile() {
  if (stream_) stream_.Commit(STGC_DEFAULT);
  if (storage_) elements::CommitUnlessRoot(storage_);
  stream_.Release();
  storage_.Release();
  window_->Invalidate();
}

void CFilesIO::CommitLoadedStream() {
  if (!stream_) return;
  stream_.Commit(STGC_DEFAULT);
  elements::CommitUnlessRoot(storage_);
}

void CFilesIO::ReopenLoadedStream() {
  if (!stream_) return;
  const uint64_t position = stream_.Position();
  stream_.Release();
  storage_.Release();
  window_->Invalidate();
  storage_ = elements::OpenUnderRoot(loaded_storage_path_, elements::kEditTransacted, kSource);
  stream_ = storage_.OpenStream(loaded_stream_name_, elements::kEdit);
  stream_.SetPosition(position);
}

void CFilesIO::DiscardLoadedStream() {
  stream_.Release();
  storage_.Release();
  window_->Invalidate();
  DiscardLines();
}

int32_t CFilesIO::SeekInFile(int32_t SeekPos) {
  HeldElements held;
  return RunWithFrame(u"Vellora.CFilesIO::SeekInFile", held, [&] {
    Stream& stream = LoadedStream(kNotLoaded);
    return SeekPos == -1 ? stream.Seek(0, 1) : stream.Seek(SeekPos, 0);
  });
}

std::u16string CFilesIO::GetLine() {
  int32_t here = -1;
  return GetLine(here);
}

std::u16string CFilesIO::GetLine(int32_t&& SeekPos) { return GetLine(SeekPos); }

std::u16string CFilesIO::GetLine(int32_t& SeekPos) {
  // GetLine acquires no element, so an error only needs the frame.
  return WithFrame(kGetLineFrame, [&] {
    Stream& stream = LoadedStream(kNotLoaded);
    if (SeekPos > -1) stream.Seek(SeekPos, 0);
    SeekPos = -1;
    // The bytes come from the read-ahead window; `pos` is the stream position a
    // byte-by-byte reader would have, given back to the stream on every way out.
    const uint64_t size = stream.Length();
    uint64_t pos = stream.Position();
    struct PositionBack {
      Stream& stream;
      uint64_t& pos;
      ~PositionBack() {
        try {
          stream.SetPosition(pos);
        } catch (const AutomationError&) {
          // A stream that failed to read has already said why.
        }
      }
    } position_back{stream, pos};
    const auto& table = AnsiTable();
    in_quote_ = false;
    if (pos >= size) return std::u16string();
    // Most lines lie in the window together with the byte after their CR: the
    // line is then made at its final length and widened in one pass.
    if (!filter_quotes_) {
      const auto run = window_->From(stream, pos);
      const auto* bytes = reinterpret_cast<const uint8_t*>(run.data());
      const size_t held = static_cast<size_t>(std::min<uint64_t>(run.size(), size - pos));
      const size_t n = FindByte(bytes, held, kCR);
      if (n + 1 < held) {
        const uint8_t* const cr = bytes + n;
        std::u16string line(n, u'\0');
        WidenAnsi(line.data(), bytes, n, table);
        // As below: the LF after the CR is taken, and so is any byte that is
        // the stream's last.
        pos += n + 1;
        if (cr[1] == kLF || pos + 1 == size) ++pos;
        return line;
      }
    }
    // Otherwise the line is converted straight from the window, one run of
    // bytes at a time.
    std::u16string line;
    uint8_t last = 0;
    bool ended = false;
    while (pos < size && !ended) {
      auto run = window_->From(stream, pos);
      run = run.first(static_cast<size_t>(std::min<uint64_t>(run.size(), size - pos)));
      const auto* bytes = reinterpret_cast<const uint8_t*>(run.data());
      size_t taken = 0;
      if (filter_quotes_) {
        // Where a line ends depends on every quote before it: step.
        do {
          last = bytes[taken++];
          if (last == kQuote) in_quote_ = !in_quote_;
          ended = last == kCR && !in_quote_;
        } while (!ended && taken < run.size());
      } else {
        // Only a CR ends the line.
        const size_t cr = FindByte(bytes, run.size(), kCR);
        ended = cr < run.size();
        taken = ended ? cr + 1 : run.size();
        last = bytes[taken - 1];
      }
      AppendAnsi(line, bytes, taken, table);
      pos += taken;
    }
    // A quoted CR that is the stream's last byte ends the line all the same.
    if (last == kCR) {
      line.pop_back();
      // After a CR that is the last byte there is nothing to look at. Otherwise
      // the byte after it is taken if it is the LF, and left for the next line
      // if it is anything else, unless it is the last byte of the stream: then
      // it is consumed and no further line follows.
      if (pos < size && (window_->At(stream, pos) == kLF || pos + 1 == size)) ++pos;
    }
    return line;
  });
}

void CFilesIO::DiscardLines() {
  lines_.reset();
  lines_key_.clear();
}

void CFilesIO::LoadLines() {
  Stream& stream = LoadedStream(kNotLoaded);
  auto lines = std::make_unique<LineList>("\r\n", kLineSettings);
  // The whole stream, wherever the position is; Size keeps streams past 2 GB
  // out (error 6), as an index of them would not fit the 32-bit line API.
  const auto size = static_cast<size_t>(stream.Size());
  const uint64_t position = stream.Position();
  stream.SetPosition(0);
  try {
    lines->ReadText(size, [&](std::span<char> into) {
      if (stream.Read(std::as_writable_bytes(into)) != into.size()) {
        Raise(STG_E_READFAULT, u"Vellora2.Storage", u"the stream ended early");
      }
    });
  } catch (const std::bad_alloc&) {
    stream.SetPosition(position);
    Raise(rt::kOutOfMemory, u"Vellora::GetLineByNum", u"Not enough memory to load file");
  } catch (...) {
    stream.SetPosition(position);
    throw;
  }
  stream.SetPosition(position);
  lines_ = std::move(lines);
  lines_key_ = storage_.Name() + u"\\" + stream.Name();
}

LineList& CFilesIO::Lines() {
  if (!lines_) LoadLines();
  return *lines_;
}

std::u16string CFilesIO::GetLineByNum(int32_t lngLineNum) { return FromAnsi(Lines().Line(lngLineNum)); }

std::u16string CFilesIO::GetLineByByte(int32_t lngByteNum) {
  LineList& lines = Lines();
  return FromAnsi(lines.Line(lines.LineOfByte(lngByteNum)));
}

int32_t CFilesIO::GetNumLines() { return Lines().Count(); }

void CFilesIO::GetFromFile(Variant& vData, int32_t SeekPos) {
  HeldElements held;
  RunWithFrame(u"|Vellora.CFilesIO::GetFromFile", held, [&] { LoadedStream(kNotLoaded).ReadValue(SeekPos, vData); });
}

void CFilesIO::PutInFile(const Variant& vData, int32_t SeekPos) {
  DiscardLines();
  HeldElements held;
  RunWithFrame(u"|Vellora.CFilesIO::PutInFile", held, [&] {
    Stream& stream = LoadedStream(kNotLoaded);
    RefuseIfReadOnly(kSource);
    window_->Invalidate();
    stream.WriteValue(SeekPos, vData);
    dirty_ = true;
  });
}

void CFilesIO::PutLine(std::u16string_view strOutput, int32_t SeekPos) {
  DiscardLines();
  HeldElements held;
  RunWithFrame(u"|Vellora.CFilesIO::PutString", held, [&] {
    Stream& stream = LoadedStream(kNotLoadedPutLine);
    RefuseIfReadOnly(kSource);
    if (SeekPos != -1) stream.Seek(SeekPos, 0);
    PutInFile(Variant(std::u16string(strOutput) + u"\r\n"), SeekPos);
    dirty_ = true;
  });
}

void CFilesIO::Clear() {
  HeldElements held;
  RunWithFrame(u"|Vellora.CFilesIO::Clear", held, [&] {
    if (!stream_ || !storage_) return;
    RefuseIfReadOnly(kSource);
    const std::u16string name = stream_.Name();
    stream_.Release();
    window_->Invalidate();
    storage_.DestroyElement(name);
    storage_.Commit(STGC_DEFAULT);
    stream_ = storage_.CreateStream(name, elements::kEdit);
    storage_.Commit(STGC_DEFAULT);
    DiscardLines();
    dirty_ = true;
  });
}

bool CFilesIO::EOFStream() const {
  if (!stream_) Raise(ionotloaded, std::u16string(kSource), std::u16string(kStreamNotLoaded));
  return stream_.AtEnd() == 1;
}

}  // namespace vellora2
