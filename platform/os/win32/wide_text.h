// Texts are UTF-8 inside the program and UTF-16 at the system's boundary.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

}  // namespace win32
