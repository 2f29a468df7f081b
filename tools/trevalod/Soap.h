// SOAP 1.2 envelopes: reading a request with libxml2, writing replies.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace trevalod {

// One parsed request. Values are copied out so the document can go at once.
struct SoapRequest {
    std::string action;     // local name of the Body's first element
    std::string actionNs;   // its namespace
    bool hasToken = false;  // a wsse:UsernameToken was present
    std::string user, password, passwordType, nonce, created;
    std::string messageId;  // WS-Addressing, for discovery replies
    // Element texts of the action, as "Path/To/Leaf" -> text, and attributes
    // as "Path/To/Leaf@attr"; paths use local names below the action element.
    std::vector<std::pair<std::string, std::string>> fields;

    const std::string* Field(const std::string& path) const;
    std::string Get(const std::string& path, const std::string& fallback = std::string()) const;
};

// Parses BODY; false with a short reason for anything that is not a SOAP 1.2
// envelope with a Body. No DTDs, no entities, no network.
bool ParseSoap(const char* body, size_t size, SoapRequest& out, std::string& why);

// XML-escapes text for element content and attribute values.
std::string Esc(const std::string& text);

// A complete envelope around BODY (which declares its own prefixes below).
std::string Envelope(const std::string& body);

// A SOAP 1.2 fault. code is "env:Sender" or "env:Receiver"; subcode e.g. "ter:ActionNotSupported".
std::string Fault(const std::string& code, const std::string& subcode, const std::string& reason);

extern const char* const kNsDevice;
extern const char* const kNsMedia;
extern const char* const kNsPtz;
extern const char* const kNsSchema;

}  // namespace trevalod
