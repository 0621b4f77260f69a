// Message texts for the codes this layer's services return, worded and
// ended as the system's own.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "os.h"

namespace os {

namespace {
struct Text {
    DWORD code;
    std::string_view text;
};
constexpr Text kTexts[] = {
    {NO_ERROR, "The operation completed successfully.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY,
     "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
};
}  // namespace

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
                     char* buffer, DWORD size, void* /*arguments*/) {
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) return 0;
    const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [messageId](const Text& t) { return t.code == messageId; });
    // No text for the code, or no room for it with its terminator.
    if (found == std::end(kTexts) || found->text.size() + 1 > size) return 0;
    std::memcpy(buffer, found->text.data(), found->text.size());
    buffer[found->text.size()] = '\0';
    return static_cast<DWORD>(found->text.size());
}

}  // namespace os
