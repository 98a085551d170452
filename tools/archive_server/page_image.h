#pragma once

#include <cstddef>
#include <string>

namespace archive_server {

/// A grey JPEG page of about `width` x `height` pixels whose comment segment, at bytes 24-48,
/// carries the film and page identity: "film" at 24, the last 7 ID digits at 29, "fram" at
/// 38, the 5 page digits at 44. When `padTo` is larger than the picture, application
/// segments (skipped by every decoder) pad the file to at least that many bytes.
std::string makePageJpeg(const std::string& id, int page, int width, int height, std::size_t padTo);

}  // namespace archive_server
