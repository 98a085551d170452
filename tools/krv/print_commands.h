// The print commands' names and usage lines. They run in krv-print, the only part of krv that
// loads the toolkit; krv lists them and hands them over, so its other commands start without it.
#pragma once

#include <string_view>

namespace korvalis::krv {

inline constexpr std::string_view kPrintersCommand = "printers";
inline constexpr std::string_view kPrintersUsage = "";
inline constexpr std::string_view kPrintCommand = "print";
inline constexpr std::string_view kPrintUsage =
    "IMAGE [--printer NAME] [--margins T,L,R,B] [--turned]";
/// The helper program's file name.
inline constexpr std::string_view kPrintHelperName = "krv-print";

}  // namespace korvalis::krv
