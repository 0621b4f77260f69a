// Message texts from the system's message table.
#include "os.h"

#include <windows.h>

#include <cstdarg>

namespace os {

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, void* arguments) {
    // With FORMAT_MESSAGE_ARGUMENT_ARRAY the arguments are an array, not a va_list.
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size,
                            static_cast<va_list*>(arguments));
}

}  // namespace os
