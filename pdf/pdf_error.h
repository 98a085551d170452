#pragma once

#include <string_view>

namespace korvalis {

/// Why the last operation of the PDF writer failed (PdfDocument::lastError). The numbers are
/// stable; `errorMessage` gives the fixed English message of each.
enum class PdfError : int {
  None = 0,
  Png16Bit = 1,           ///< "16-bit depth PNG not supported."
  PngAlpha = 2,           ///< "Alpha channel PNG not supported."
  PngCompression = 3,     ///< "Unknown compression PNG method."
  PngFilter = 4,          ///< "Unknown filter PNG method."
  PngInterlaced = 5,      ///< "Interlacing PNG not supported."
  PngPalette = 6,         ///< "Missing palette in PNG."
  JpegUnsupported = 7,    ///< "JPEG file is not supported."
  ImageOpen = 8,          ///< "Error opening image file."
  ImageRead = 9,          ///< "Problem reading image file in memory."
  JfifMissing = 10,       ///< "JFIF marker is missing." (not set by this writer)
  NotJpeg = 11,           ///< "Not a JPEG file."
  PngIncorrect = 12,      ///< "Incorrect PNG file." (also a damaged palette or no image data)
  Metafile = 13,          ///< a placeable metafile that cannot be converted (empty message)
  UnknownImage = 14,      ///< "Not a JPEG or PNG file."
  FileName = 15,          ///< "Filename is not correct."
  FileCreate = 16,        ///< "Error creating file."
  AttachmentOpen = 17,    ///< "File open error."
  OutOfMemory = 18,       ///< "Out of memory." (also a document past the size limit)
  Font = 19,              ///< "Font not installed or damaged."
  NumberOutOfRange = 20,  ///< "Number out of range."
  NoPage = 21,            ///< "No page open."
};

/// The message of `code`; empty for None, Metafile and unknown values.
std::string_view errorMessage(PdfError code);

}  // namespace korvalis
