#include "pdf/metafile/metafile_image.h"

#include "pdf/metafile/metafile_form.h"

namespace korvalis {

bool convertMetafileImage(PdfImage& image, double scale) {
  auto form = MetafileForm::convert(image.imageData.bytes(), scale);
  if (!form)
    return false;
  PdfBuffer content;
  if (!content.append(form->content))
    return false;
  image.imageData = std::move(content);  // the file's bytes are no longer needed
  image.boxX = form->boxX;
  image.boxY = form->boxY;
  image.width = form->width;
  image.height = form->height;
  return true;
}

}  // namespace korvalis
