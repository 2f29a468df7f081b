#include "Soap.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <mutex>

namespace trevalod {

const char* const kNsDevice = "http://www.onvif.org/ver10/device/wsdl";
const char* const kNsMedia = "http://www.onvif.org/ver10/media/wsdl";
const char* const kNsPtz = "http://www.onvif.org/ver20/ptz/wsdl";
const char* const kNsSchema = "http://www.onvif.org/ver10/schema";

namespace {

const char* const kNsEnv = "http://www.w3.org/2003/05/soap-envelope";
const char* const kNsWsse = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
// Field paths stop here: a request this deep is not one we answer.
constexpr int kMaxDepth = 8;
constexpr size_t kMaxFields = 256;

bool Is(const xmlNode* n, const char* local, const char* ns = nullptr) {
    if (!n || n->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(n->name), local) != 0)
        return false;
    if (!ns) return true;
    return n->ns && n->ns->href && std::strcmp(reinterpret_cast<const char*>(n->ns->href), ns) == 0;
}

const xmlNode* FirstElement(const xmlNode* n) {
    for (; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE) return n;
    return nullptr;
}

const xmlNode* Child(const xmlNode* parent, const char* local) {
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (Is(c, local)) return c;
    return nullptr;
}

std::string TextOf(const xmlNode* n) {
    std::string out;
    for (const xmlNode* c = n ? n->children : nullptr; c; c = c->next)
        if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
            out += reinterpret_cast<const char*>(c->content);
    const size_t a = out.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return std::string();
    return out.substr(a, out.find_last_not_of(" \t\r\n") - a + 1);
}

void Collect(const xmlNode* n, const std::string& prefix, int depth, SoapRequest& out) {
    if (depth > kMaxDepth) return;
    for (const xmlNode* c = n->children; c && out.fields.size() < kMaxFields; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        const std::string path = prefix + reinterpret_cast<const char*>(c->name);
        for (const xmlAttr* a = c->properties; a && out.fields.size() < kMaxFields; a = a->next) {
            xmlChar* v = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a));
            out.fields.emplace_back(path + "@" + reinterpret_cast<const char*>(a->name),
                                    v ? reinterpret_cast<const char*>(v) : "");
            xmlFree(v);
        }
        out.fields.emplace_back(path, TextOf(c));
        Collect(c, path + "/", depth + 1, out);
    }
}

void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace

const std::string* SoapRequest::Field(const std::string& path) const {
    for (const auto& f : fields)
        if (f.first == path) return &f.second;
    return nullptr;
}

std::string SoapRequest::Get(const std::string& path, const std::string& fallback) const {
    const std::string* v = Field(path);
    return v ? *v : fallback;
}

bool ParseSoap(const char* body, size_t size, SoapRequest& out, std::string& why) {
    InitOnce();
    out = SoapRequest();
    if (size == 0 || size > 0x7fffffff) {
        why = "empty request";
        return false;
    }
    // NONET: never fetch anything; without NOENT/DTDLOAD entities stay
    // unexpanded, and a document type is refused outright below.
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(body, static_cast<int>(size), "request.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA),
        xmlFreeDoc);
    if (!doc) {
        why = "malformed XML";
        return false;
    }
    if (doc->intSubset || doc->extSubset) {
        why = "document type declarations are not accepted";
        return false;
    }
    const xmlNode* env = xmlDocGetRootElement(doc.get());
    if (!Is(env, "Envelope", kNsEnv)) {
        why = "not a SOAP 1.2 envelope";
        return false;
    }
    const xmlNode* header = nullptr;
    const xmlNode* bodyEl = nullptr;
    for (const xmlNode* c = env->children; c; c = c->next) {
        if (Is(c, "Header", kNsEnv)) header = c;
        if (Is(c, "Body", kNsEnv)) bodyEl = c;
    }
    if (!bodyEl) {
        why = "no SOAP Body";
        return false;
    }
    const xmlNode* action = FirstElement(bodyEl->children);
    if (!action) {
        why = "empty SOAP Body";
        return false;
    }
    out.action = reinterpret_cast<const char*>(action->name);
    out.actionNs = action->ns && action->ns->href ? reinterpret_cast<const char*>(action->ns->href) : "";
    for (const xmlNode* h = header ? header->children : nullptr; h; h = h->next) {
        if (Is(h, "MessageID")) out.messageId = TextOf(h);
        if (!Is(h, "Security", kNsWsse)) continue;
        const xmlNode* tok = Child(h, "UsernameToken");
        if (!tok) continue;
        out.hasToken = true;
        out.user = TextOf(Child(tok, "Username"));
        const xmlNode* pw = Child(tok, "Password");
        out.password = TextOf(pw);
        if (pw) {
            xmlChar* t = xmlGetProp(pw, reinterpret_cast<const xmlChar*>("Type"));
            out.passwordType = t ? reinterpret_cast<const char*>(t) : "";
            xmlFree(t);
        }
        out.nonce = TextOf(Child(tok, "Nonce"));
        out.created = TextOf(Child(tok, "Created"));
    }
    Collect(action, "", 0, out);
    return true;
}

std::string Esc(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters are not allowed in XML 1.0 at all.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
        }
    }
    return out;
}

std::string Envelope(const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\""
                       " xmlns:tds=\"") + kNsDevice + "\" xmlns:trt=\"" + kNsMedia + "\" xmlns:tptz=\"" + kNsPtz +
           "\" xmlns:tt=\"" + kNsSchema +
           "\" xmlns:ter=\"http://www.onvif.org/ver10/error\"><env:Body>" + body + "</env:Body></env:Envelope>\n";
}

std::string Fault(const std::string& code, const std::string& subcode, const std::string& reason) {
    // "ter:A/ter:B" nests B as the subcode of A, as ONVIF writes its faults.
    std::string open, close;
    size_t start = 0;
    while (!subcode.empty() && start <= subcode.size()) {
        const size_t slash = subcode.find('/', start);
        const std::string part = subcode.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        open += "<env:Subcode><env:Value>" + part + "</env:Value>";
        close += "</env:Subcode>";
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return Envelope("<env:Fault><env:Code><env:Value>" + code + "</env:Value>" + open + close +
                    "</env:Code><env:Reason><env:Text xml:lang=\"en\">" + Esc(reason) +
                    "</env:Text></env:Reason></env:Fault>");
}

}  // namespace trevalod
