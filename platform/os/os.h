// The system services the checks and the address table call.
//
// The names and contracts are those of the Windows services. On Windows the
// implementation forwards to the real ones; on Linux it implements the same
// contracts; tests link the fake instead. The types are our own so that
// callers never include a system header.
#pragma once

#include <cstdint>

namespace os {

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using IPAddr = std::uint32_t;  // IPv4 address in network byte order
using HANDLE = void*;

// ---- Sockets start-up -------------------------------------------------------

inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEPROCLIM = 10067;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSAENOBUFS = 10055;

struct WSADATA {
    WORD wVersion = 0;
    WORD wHighVersion = 0;
};

// Returns 0 on success or a Windows Sockets error code.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();

// ---- System metrics ---------------------------------------------------------

inline constexpr int SM_NETWORK = 63;
int GetSystemMetrics(int index);

// ---- Internet state ---------------------------------------------------------

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);

// ---- ICMP echo --------------------------------------------------------------

inline constexpr ULONG IP_SUCCESS = 0;
inline constexpr ULONG IP_DEST_NET_UNREACHABLE = 11002;
inline constexpr ULONG IP_DEST_HOST_UNREACHABLE = 11003;
inline constexpr ULONG IP_DEST_PROT_UNREACHABLE = 11004;
inline constexpr ULONG IP_DEST_PORT_UNREACHABLE = 11005;
inline constexpr ULONG IP_REQ_TIMED_OUT = 11010;
inline constexpr ULONG IP_TTL_EXPIRED_TRANSIT = 11013;
inline constexpr ULONG IP_GENERAL_FAILURE = 11050;

// The first reply in the reply buffer. Our own layout: callers read it with
// memcpy from the start of the buffer they passed to IcmpSendEcho.
struct ICMP_ECHO_REPLY {
    IPAddr Address = 0;       // who answered
    ULONG Status = 0;         // IP_SUCCESS for the echo reply itself
    ULONG RoundTripTime = 0;  // milliseconds
};

// All bits set, as Windows defines it.
HANDLE InvalidHandleValue();

HANDLE IcmpCreateFile();
// Returns the number of replies stored in replyBuffer (0 on timeout or error).
DWORD IcmpSendEcho(HANDLE icmpHandle, IPAddr destination, const void* requestData, WORD requestSize,
                   const void* requestOptions, void* replyBuffer, DWORD replySize, DWORD timeoutMs);
BOOL IcmpCloseHandle(HANDLE icmpHandle);

// ---- IPv4 address table -----------------------------------------------------

inline constexpr DWORD NO_ERROR = 0;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// One row is 24 bytes; the table is a 32-bit count followed by the rows.
struct MIB_IPADDRROW {
    DWORD dwAddr;  // network byte order
    DWORD dwIndex;
    DWORD dwMask;  // network byte order
    DWORD dwBCastAddr;
    DWORD dwReasmSize;
    std::uint16_t unused1;
    std::uint16_t wType;
};
static_assert(sizeof(MIB_IPADDRROW) == 24);

struct MIB_IPADDRTABLE {
    DWORD dwNumEntries;
    MIB_IPADDRROW table[1];
};
inline constexpr ULONG kIpAddrTableHeaderSize = sizeof(DWORD);

// table may be null when *size is 0. Stores the needed size back and returns
// ERROR_INSUFFICIENT_BUFFER when the buffer is too small.
DWORD GetIpAddrTable(MIB_IPADDRTABLE* table, ULONG* size, BOOL order);

// ---- Message texts ----------------------------------------------------------

inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;

// Returns the number of characters stored, 0 when there is no text.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, void* arguments);

}  // namespace os
