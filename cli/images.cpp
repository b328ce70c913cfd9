// vellora images: a document's pictures through CImagesIO.
#include <algorithm>
#include <memory>

#include <fmt/core.h>

#include "cli/commands.hpp"
#include "cli/common.hpp"
#include "cli/document.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/elements/picture.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::cli {
namespace {

void RequireDocument(CVellora& doc, const std::string& file, bool write) {
  if (!OpenDocument(doc, file, write)) {
    Fail(ioBadFile, file + " is a compound file but not a document; pictures live in a document's Images storage");
  }
}

std::vector<std::u16string> PictureNames(CImagesIO& images) {
  const Variant list = images.EnumStreams();
  const auto* names = list.array_if<std::u16string>();
  return names ? std::vector<std::u16string>(names->begin(), names->end()) : std::vector<std::u16string>{};
}

std::string_view FormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::Gif: return "GIF";
    case PictureFormat::Bmp: return "BMP";
  }
  return "?";
}

// The last component of a disk path.
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void ImagesList(const std::string& file, std::FILE* out) {
  CVellora doc;
  RequireDocument(doc, file, false);
  auto images = doc.GetCImagesIO();
  for (const auto& name : PictureNames(*images)) {
    const auto picture = images->Load(name);
    if (picture) {
      fmt::print(out, "{}  {} {}x{}  {} bytes\n", Shown(name), FormatName(picture->format()), picture->width(),
                 picture->height(), picture->bytes().size());
    } else {
      fmt::print(out, "{}  not a picture\n", Shown(name));
    }
  }
}

void ImagesAdd(const std::string& file, const std::string& disk_file, const std::string& name, const Options& options) {
  // Refuses what is no picture (481) before the document is touched.
  const auto picture = Picture::FromFile(FromUtf8(disk_file));
  const std::u16string stored_name = FromUtf8(name.empty() ? BaseName(disk_file) : name);
  if (stored_name.find_first_of(u"\\/") != std::u16string::npos) {
    Fail(STG_E_INVALIDNAME, ToUtf8(stored_name) + ": a picture's name is a plain name, without \\ or /");
  }
  CVellora doc;
  RequireDocument(doc, file, true);
  auto images = doc.GetCImagesIO();
  const auto names = PictureNames(*images);
  const bool exists =
      std::any_of(names.begin(), names.end(), [&](const auto& n) { return SameName(n, stored_name); });
  if (exists && !options.force) {
    Fail(STG_E_FILEALREADYEXISTS, "a picture " + ToUtf8(stored_name) + " exists (use --force to replace it)");
  }
  images->StoreFile(FromUtf8(disk_file), stored_name);
  // A file another program holds open is only reported in a message box, and
  // the picture is then not what the file holds.
  const auto stored = images->Load(stored_name);
  if (!stored || stored->bytes() != picture->bytes()) {
    Fail(rt::kPathFileAccessError, disk_file + " could not be stored");
  }
  doc.SaveFile();
}

void ImagesExtract(const std::string& file, const std::string& name, const std::string& disk_path,
                   const Options& options) {
  CVellora doc;
  RequireDocument(doc, file, false);
  const auto picture = doc.GetCImagesIO()->Load(FromUtf8(name));
  if (!picture) Fail(ioElementNotFound, file + " holds no picture " + name);
  WriteDiskFile(disk_path, options.force, [&](const std::string& temp) { WriteNewFile(temp, picture->bytes()); });
}

}  // namespace vellora2::cli
