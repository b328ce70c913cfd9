#include "elements/stream_window.hpp"

#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {

void StreamWindow::Fill(Stream& stream, uint64_t position) {
  bytes_.resize(kBlock);
  start_ = position;
  stream.SetPosition(position);
  bytes_.resize(stream.Read(bytes_));
  if (bytes_.empty()) Raise(STG_E_READFAULT, u"Vellora2.Storage", u"read past the end of the stream");
}

}  // namespace vellora2
