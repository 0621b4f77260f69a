#include "IdUDPClient.h"

EIdSocketError::EIdSocketError(int code, const std::string& description)
    : EIdException("Socket Error # " + std::to_string(code) + "\r\n" + description), code_(code) {}
