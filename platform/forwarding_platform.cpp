#include "vellora2/platform/forwarding_platform.hpp"

#include <utility>

namespace vellora2 {

ForwardingPlatform::ForwardingPlatform(std::shared_ptr<Platform> target)
    : target_(target ? std::move(target) : SharedCurrentPlatform()) {}

int32_t ForwardingPlatform::MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) {
  return target_->MessageBox(prompt, style, title);
}

int16_t ForwardingPlatform::MousePointer() { return target_->MousePointer(); }

void ForwardingPlatform::SetMousePointer(int16_t pointer) { target_->SetMousePointer(pointer); }

void ForwardingPlatform::ProcessEvents() { target_->ProcessEvents(); }

bool ForwardingPlatform::GetOpenFileName(OpenFileNameRecord& record) { return target_->GetOpenFileName(record); }

bool ForwardingPlatform::GetSaveFileName(OpenFileNameRecord& record) { return target_->GetSaveFileName(record); }

bool ForwardingPlatform::ChooseColor(ChooseColorRecord& record) { return target_->ChooseColor(record); }

bool ForwardingPlatform::ChooseFont(ChooseFontRecord& record) { return target_->ChooseFont(record); }

bool ForwardingPlatform::PrintDlg(PrintDlgRecord& record) { return target_->PrintDlg(record); }

bool ForwardingPlatform::PageSetupDlg(PageSetupDlgRecord& record) { return target_->PageSetupDlg(record); }

uint32_t ForwardingPlatform::CommDlgExtendedError() { return target_->CommDlgExtendedError(); }

int16_t ForwardingPlatform::GetFileTitle(std::u16string_view file, std::u16string& buffer) {
  return target_->GetFileTitle(file, buffer);
}

int32_t ForwardingPlatform::DefaultPrinterDC() { return target_->DefaultPrinterDC(); }

int32_t ForwardingPlatform::TwipsPerPixelY() { return target_->TwipsPerPixelY(); }

uint32_t ForwardingPlatform::TickCount() { return target_->TickCount(); }

uint32_t ForwardingPlatform::Version() { return target_->Version(); }

std::u16string ForwardingPlatform::ModuleFileName() { return target_->ModuleFileName(); }

double ForwardingPlatform::Timer() { return target_->Timer(); }

std::optional<std::u16string> ForwardingPlatform::FullPath(std::u16string_view path) { return target_->FullPath(path); }

std::optional<std::u16string> ForwardingPlatform::SearchPath(std::u16string_view dirs, std::u16string_view file,
                                                             std::u16string_view extension) {
  return target_->SearchPath(dirs, file, extension);
}

std::u16string ForwardingPlatform::TempFolder() { return target_->TempFolder(); }

std::optional<std::u16string> ForwardingPlatform::CreateTempFile(std::u16string_view folder,
                                                                 std::u16string_view prefix) {
  return target_->CreateTempFile(folder, prefix);
}

int32_t ForwardingPlatform::FileAttributes(std::u16string_view path) { return target_->FileAttributes(path); }

std::u16string ForwardingPlatform::ExpandEnvironment(std::u16string_view text) {
  return target_->ExpandEnvironment(text);
}

uint32_t ForwardingPlatform::LogicalDrives() { return target_->LogicalDrives(); }

std::optional<std::u16string> ForwardingPlatform::VolumeLabel(std::u16string_view root) {
  return target_->VolumeLabel(root);
}

int32_t ForwardingPlatform::LastError() { return target_->LastError(); }

std::vector<std::u16string> ForwardingPlatform::ListFiles(std::u16string_view pattern, bool directories) {
  return target_->ListFiles(pattern, directories);
}

int32_t ForwardingPlatform::ReadFile(std::u16string_view path, size_t max_bytes, std::string& bytes) {
  return target_->ReadFile(path, max_bytes, bytes);
}

int32_t ForwardingPlatform::WriteFile(std::u16string_view path, std::string_view bytes) {
  return target_->WriteFile(path, bytes);
}

uint32_t ForwardingPlatform::SysColor(int32_t index) { return target_->SysColor(index); }

}  // namespace vellora2
