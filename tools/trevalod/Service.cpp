#include "Service.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "Soap.h"

namespace trevalod {
namespace {

const char* const kVersion = "1.0.0";
const char* const kPtSpace = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/VelocityGenericSpace";
const char* const kZoomSpace = "http://www.onvif.org/ver10/tptz/ZoomSpaces/VelocityGenericSpace";

struct Ctx {
    const Config& config;
    CameraBank& cams;
    const SoapRequest& req;
    const HttpRequest& http;
    HttpReply& reply;
    std::string base;  // http://host:port
};

std::string Ok(Ctx& c, const std::string& body) {
    c.reply.status = 200;
    return Envelope(body);
}

std::string Error(Ctx& c, int status, const std::string& code, const std::string& sub, const std::string& why) {
    c.reply.status = status;
    c.reply.detail = why;
    return Fault(code, sub, why);
}

std::string UtcNow(time_t now, bool xml) {
    struct tm tm;
    gmtime_r(&now, &tm);
    char out[256];
    if (xml) {
        snprintf(out, sizeof out,
                 "<tt:Time><tt:Hour>%d</tt:Hour><tt:Minute>%d</tt:Minute><tt:Second>%d</tt:Second></tt:Time>"
                 "<tt:Date><tt:Year>%d</tt:Year><tt:Month>%d</tt:Month><tt:Day>%d</tt:Day></tt:Date>",
                 tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    } else {
        strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &tm);
    }
    return out;
}

// The cameras this listener shows: all of them, or the one on its own port.
std::vector<size_t> InScope(Ctx& c) {
    std::vector<size_t> out;
    for (size_t i = 0; i < c.cams.Count(); ++i)
        if (c.http.scope < 0 || static_cast<size_t>(c.http.scope) == i) out.push_back(i);
    return out;
}

// Finds the camera a token names (profile, source, node and configuration
// tokens are all the camera's token); -1 when none in scope.
int Find(Ctx& c, const std::string& token) {
    for (size_t i : InScope(c))
        if (c.cams.Info(i).token == token) return static_cast<int>(i);
    return -1;
}

std::string Num(double v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

std::string Seconds(double s) { return "PT" + Num(s) + "S"; }

std::string PtzConfiguration(Ctx& c, size_t i, const char* tag) {
    const CameraConfig& cam = c.cams.Info(i);
    return std::string("<") + tag + " token=\"" + Esc(cam.token) + "\"><tt:Name>" + Esc(cam.name) +
           "</tt:Name><tt:UseCount>1</tt:UseCount><tt:NodeToken>" + Esc(cam.token) +
           "</tt:NodeToken><tt:DefaultContinuousPanTiltVelocitySpace>" + kPtSpace +
           "</tt:DefaultContinuousPanTiltVelocitySpace><tt:DefaultContinuousZoomVelocitySpace>" + kZoomSpace +
           "</tt:DefaultContinuousZoomVelocitySpace><tt:DefaultPTZTimeout>" + Seconds(c.config.defaultTimeoutSeconds) +
           "</tt:DefaultPTZTimeout></" + tag + ">";
}

std::string Spaces() {
    return std::string("<tt:ContinuousPanTiltVelocitySpace><tt:URI>") + kPtSpace +
           "</tt:URI><tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange><tt:YRange><tt:Min>-1</tt:Min>"
           "<tt:Max>1</tt:Max></tt:YRange></tt:ContinuousPanTiltVelocitySpace><tt:ContinuousZoomVelocitySpace><tt:URI>" +
           kZoomSpace +
           "</tt:URI><tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange></tt:ContinuousZoomVelocitySpace>";
}

std::string Node(Ctx& c, size_t i, const char* tag) {
    const CameraConfig& cam = c.cams.Info(i);
    const bool presets = c.cams.HasPresets(i);
    return std::string("<") + tag + " token=\"" + Esc(cam.token) + "\" FixedHomePosition=\"false\"><tt:Name>" +
           Esc(cam.name) + "</tt:Name><tt:SupportedPTZSpaces>" + Spaces() +
           "</tt:SupportedPTZSpaces><tt:MaximumNumberOfPresets>" +
           std::to_string(presets ? c.config.maxPreset : 0) + "</tt:MaximumNumberOfPresets><tt:HomeSupported>" +
           (presets ? "true" : "false") + "</tt:HomeSupported></" + tag + ">";
}

std::string Profile(Ctx& c, size_t i, const char* tag) {
    const CameraConfig& cam = c.cams.Info(i);
    const std::string t = Esc(cam.token), n = Esc(cam.name);
    return std::string("<") + tag + " token=\"" + t + "\" fixed=\"true\"><tt:Name>" + n +
           "</tt:Name><tt:VideoSourceConfiguration token=\"" + t + "\"><tt:Name>" + n +
           "</tt:Name><tt:UseCount>1</tt:UseCount><tt:SourceToken>" + t +
           "</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"1920\" height=\"1080\"/></tt:VideoSourceConfiguration>"
           "<tt:VideoEncoderConfiguration token=\"" + t + "\"><tt:Name>" + n +
           "</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>1920"
           "</tt:Width><tt:Height>1080</tt:Height></tt:Resolution><tt:Quality>5</tt:Quality><tt:RateControl>"
           "<tt:FrameRateLimit>25</tt:FrameRateLimit><tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>4096"
           "</tt:BitrateLimit></tt:RateControl><tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>0.0.0.0"
           "</tt:IPv4Address></tt:Address><tt:Port>0</tt:Port><tt:TTL>0</tt:TTL><tt:AutoStart>false</tt:AutoStart>"
           "</tt:Multicast><tt:SessionTimeout>PT60S</tt:SessionTimeout></tt:VideoEncoderConfiguration>" +
           PtzConfiguration(c, i, "tt:PTZConfiguration") + "</" + tag + ">";
}

std::string Services(Ctx& c, bool withCapabilities) {
    struct S {
        const char* ns;
        const char* path;
        const char* caps;
    };
    const S list[] = {
        {kNsDevice, "/onvif/device_service",
         "<tds:Capabilities><tds:Network IPFilter=\"false\" ZeroConfiguration=\"false\" IPVersion6=\"false\""
         " DynDNS=\"false\"/><tds:Security UsernameToken=\"true\" HttpDigest=\"false\"/><tds:System"
         " DiscoveryResolve=\"false\" DiscoveryBye=\"false\" RemoteDiscovery=\"false\"/></tds:Capabilities>"},
        {kNsMedia, "/onvif/media_service",
         "<trt:Capabilities SnapshotUri=\"false\" Rotation=\"false\"><trt:ProfileCapabilities MaximumNumberOfProfiles=\"1\"/>"
         "<trt:StreamingCapabilities RTPMulticast=\"false\" RTP_TCP=\"true\" RTP_RTSP_TCP=\"true\"/></trt:Capabilities>"},
        {kNsPtz, "/onvif/ptz_service", "<tptz:Capabilities EFlip=\"false\" Reverse=\"false\"/>"},
    };
    std::string out;
    for (const S& s : list) {
        out += std::string("<tds:Service><tds:Namespace>") + s.ns + "</tds:Namespace><tds:XAddr>" + Esc(c.base) +
               s.path + "</tds:XAddr>" + (withCapabilities ? s.caps : "") +
               "<tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version></tds:Service>";
    }
    return out;
}

std::string Device(Ctx& c, time_t now) {
    const std::string& a = c.req.action;
    if (a == "GetSystemDateAndTime")
        return Ok(c, "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual"
                     "</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings><tt:TimeZone><tt:TZ>UTC0"
                     "</tt:TZ></tt:TimeZone><tt:UTCDateTime>" +
                         UtcNow(now, true) +
                         "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    if (a == "GetServices")
        return Ok(c, "<tds:GetServicesResponse>" + Services(c, c.req.Get("IncludeCapability") == "true") +
                         "</tds:GetServicesResponse>");
    if (a == "GetCapabilities")
        return Ok(c, "<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device><tt:XAddr>" + Esc(c.base) +
                         "/onvif/device_service</tt:XAddr><tt:Security><tt:TLS1.1>false</tt:TLS1.1><tt:TLS1.2>false"
                         "</tt:TLS1.2><tt:OnboardKeyGeneration>false</tt:OnboardKeyGeneration><tt:AccessPolicyConfig>"
                         "false</tt:AccessPolicyConfig><tt:X.509Token>false</tt:X.509Token><tt:SAMLToken>false"
                         "</tt:SAMLToken><tt:KerberosToken>false</tt:KerberosToken><tt:RELToken>false</tt:RELToken>"
                         "</tt:Security></tt:Device><tt:Media><tt:XAddr>" +
                         Esc(c.base) +
                         "/onvif/media_service</tt:XAddr><tt:StreamingCapabilities><tt:RTPMulticast>false"
                         "</tt:RTPMulticast><tt:RTP_TCP>true</tt:RTP_TCP><tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP>"
                         "</tt:StreamingCapabilities></tt:Media><tt:PTZ><tt:XAddr>" +
                         Esc(c.base) +
                         "/onvif/ptz_service</tt:XAddr></tt:PTZ></tds:Capabilities></tds:GetCapabilitiesResponse>");
    if (a == "GetDeviceInformation") {
        const std::string model = c.http.scope >= 0 ? c.cams.Info(static_cast<size_t>(c.http.scope)).name
                                                    : "trevalod " + std::to_string(c.cams.Count()) + "-channel";
        return Ok(c, "<tds:GetDeviceInformationResponse><tds:Manufacturer>Trevalo</tds:Manufacturer><tds:Model>" +
                         Esc(model) + "</tds:Model><tds:FirmwareVersion>" + kVersion +
                         "</tds:FirmwareVersion><tds:SerialNumber>" + Esc(c.config.address) + "-" +
                         std::to_string(c.http.scope < 0 ? c.config.port : c.cams.Info(c.http.scope).port) +
                         "</tds:SerialNumber><tds:HardwareId>trevalod</tds:HardwareId>"
                         "</tds:GetDeviceInformationResponse>");
    }
    if (a == "GetScopes") {
        std::string body = "<tds:GetScopesResponse>";
        for (const char* s : {"onvif://www.onvif.org/type/ptz", "onvif://www.onvif.org/type/video_encoder",
                              "onvif://www.onvif.org/Profile/Streaming", "onvif://www.onvif.org/hardware/trevalod"})
            body += std::string("<tds:Scopes><tt:ScopeDef>Fixed</tt:ScopeDef><tt:ScopeItem>") + s +
                    "</tt:ScopeItem></tds:Scopes>";
        return Ok(c, body + "</tds:GetScopesResponse>");
    }
    return std::string();
}

std::string Media(Ctx& c) {
    const std::string& a = c.req.action;
    if (a == "GetProfiles") {
        std::string body = "<trt:GetProfilesResponse>";
        for (size_t i : InScope(c)) body += Profile(c, i, "trt:Profiles");
        return Ok(c, body + "</trt:GetProfilesResponse>");
    }
    if (a == "GetVideoSources") {
        std::string body = "<trt:GetVideoSourcesResponse>";
        for (size_t i : InScope(c))
            body += "<trt:VideoSources token=\"" + Esc(c.cams.Info(i).token) +
                    "\"><tt:Framerate>25</tt:Framerate><tt:Resolution><tt:Width>1920</tt:Width><tt:Height>1080"
                    "</tt:Height></tt:Resolution></trt:VideoSources>";
        return Ok(c, body + "</trt:GetVideoSourcesResponse>");
    }
    if (a == "GetProfile" || a == "GetStreamUri") {
        const int i = Find(c, c.req.Get("ProfileToken"));
        if (i < 0) return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:NoProfile", "no such profile");
        if (a == "GetProfile")
            return Ok(c, "<trt:GetProfileResponse>" + Profile(c, static_cast<size_t>(i), "trt:Profile") +
                             "</trt:GetProfileResponse>");
        const std::string& uri = c.cams.Info(static_cast<size_t>(i)).rtsp;
        if (uri.empty())
            return Error(c, 500, "env:Receiver", "ter:Action/ter:IncompleteConfiguration",
                         "no RTSP URL is configured for this camera");
        return Ok(c, "<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>" + Esc(uri) +
                         "</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:InvalidAfterReboot>false"
                         "</tt:InvalidAfterReboot><tt:Timeout>PT0S</tt:Timeout></trt:MediaUri></trt:GetStreamUriResponse>");
    }
    return std::string();
}

bool ParseNumber(const std::string* text, double& out) {
    if (!text) return false;
    const char* s = text->c_str();
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s || *end || !std::isfinite(v)) return false;
    out = std::max(-1.0, std::min(1.0, v));
    return true;
}

int PresetNumber(const std::string& token) {
    if (token.empty() || token.size() > 3 || token.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoi(token.c_str());
}

std::string PresetFault(Ctx& c, PresetResult r) {
    switch (r) {
        case PresetResult::Unsupported:
            return Error(c, 500, "env:Receiver", "ter:ActionNotSupported/ter:PTZNotSupported",
                         "this camera's protocol has no presets");
        case PresetResult::NoToken:
            return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:NoToken", "no such preset");
        case PresetResult::NameExists:
            return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:PresetExist", "a preset of that name exists");
        case PresetResult::TooMany:
            return Error(c, 500, "env:Receiver", "ter:Action/ter:TooManyPresets", "every preset number is in use");
        default:
            return Error(c, 500, "env:Receiver", "ter:Action", "the preset names could not be saved");
    }
}

std::string Ptz(Ctx& c) {
    const std::string& a = c.req.action;
    if (a == "GetNodes" || a == "GetConfigurations") {
        const bool nodes = a == "GetNodes";
        std::string body = nodes ? "<tptz:GetNodesResponse>" : "<tptz:GetConfigurationsResponse>";
        for (size_t i : InScope(c))
            body += nodes ? Node(c, i, "tptz:PTZNode") : PtzConfiguration(c, i, "tptz:PTZConfiguration");
        return Ok(c, body + (nodes ? "</tptz:GetNodesResponse>" : "</tptz:GetConfigurationsResponse>"));
    }
    const char* key = a == "GetNode"                     ? "NodeToken"
                      : a == "GetConfiguration"          ? "PTZConfigurationToken"
                      : a == "GetConfigurationOptions"   ? "ConfigurationToken"
                                                          : "ProfileToken";
    static const char* const known[] = {"GetNode", "GetConfiguration", "GetConfigurationOptions", "ContinuousMove",
                                        "Stop", "GetStatus", "GetPresets", "SetPreset", "GotoPreset",
                                        "RemovePreset", "GotoHomePosition"};
    bool isKnown = false;
    for (const char* k : known) isKnown = isKnown || a == k;
    if (!isKnown) return std::string();
    const int found = Find(c, c.req.Get(key));
    if (found < 0) {
        const bool profile = std::string(key) == "ProfileToken";
        return Error(c, 400, "env:Sender", profile ? "ter:InvalidArgVal/ter:NoProfile" : "ter:InvalidArgVal/ter:NoEntity",
                     std::string("no such ") + (profile ? "profile" : "node or configuration"));
    }
    const size_t i = static_cast<size_t>(found);
    if (a == "GetNode") return Ok(c, "<tptz:GetNodeResponse>" + Node(c, i, "tptz:PTZNode") + "</tptz:GetNodeResponse>");
    if (a == "GetConfiguration")
        return Ok(c, "<tptz:GetConfigurationResponse>" + PtzConfiguration(c, i, "tptz:PTZConfiguration") +
                         "</tptz:GetConfigurationResponse>");
    if (a == "GetConfigurationOptions")
        return Ok(c, "<tptz:GetConfigurationOptionsResponse><tptz:PTZConfigurationOptions><tt:Spaces>" + Spaces() +
                         "</tt:Spaces><tt:PTZTimeout><tt:Min>PT1S</tt:Min><tt:Max>" +
                         Seconds(c.config.defaultTimeoutSeconds) +
                         "</tt:Max></tt:PTZTimeout></tptz:PTZConfigurationOptions>"
                         "</tptz:GetConfigurationOptionsResponse>");
    if (a == "ContinuousMove") {
        Velocity v;
        v.hasPanTilt = ParseNumber(c.req.Field("Velocity/PanTilt@x"), v.x) &&
                       ParseNumber(c.req.Field("Velocity/PanTilt@y"), v.y);
        v.hasZoom = ParseNumber(c.req.Field("Velocity/Zoom@x"), v.zoom);
        if (!v.hasPanTilt && !v.hasZoom)
            return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:InvalidVelocity",
                         "Velocity needs PanTilt x and y, or Zoom x, as numbers");
        double timeout = 0;
        if (const std::string* t = c.req.Field("Timeout")) {
            timeout = ParseDuration(*t);
            if (timeout <= 0)
                return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:TimeoutNotSupported",
                             "Timeout is not a positive duration");
        }
        c.cams.Move(i, v, timeout);
        return Ok(c, "<tptz:ContinuousMoveResponse/>");
    }
    if (a == "Stop") {
        // Absent flags mean stop that axis too.
        const bool pt = c.req.Get("PanTilt", "true") != "false";
        const bool zoom = c.req.Get("Zoom", "true") != "false";
        c.cams.Stop(i, pt, zoom);
        return Ok(c, "<tptz:StopResponse/>");
    }
    if (a == "GetStatus") {
        bool pt = false, zoom = false;
        c.cams.Moving(i, pt, zoom);
        return Ok(c, std::string("<tptz:GetStatusResponse><tptz:PTZStatus><tt:MoveStatus><tt:PanTilt>") +
                         (pt ? "MOVING" : "IDLE") + "</tt:PanTilt><tt:Zoom>" + (zoom ? "MOVING" : "IDLE") +
                         "</tt:Zoom></tt:MoveStatus><tt:UtcTime>" + UtcNow(time(nullptr), false) +
                         "</tt:UtcTime></tptz:PTZStatus></tptz:GetStatusResponse>");
    }
    if (a == "GetPresets") {
        std::string body = "<tptz:GetPresetsResponse>";
        if (c.cams.HasPresets(i))
            for (const auto& p : c.cams.Presets(i))
                body += "<tptz:Preset token=\"" + std::to_string(p.first) + "\"><tt:Name>" + Esc(p.second) +
                        "</tt:Name></tptz:Preset>";
        return Ok(c, body + "</tptz:GetPresetsResponse>");
    }
    if (a == "SetPreset") {
        int number = 0;
        if (const std::string* t = c.req.Field("PresetToken"); t && !t->empty()) {
            number = PresetNumber(*t);
            if (number < 1) return PresetFault(c, PresetResult::NoToken);
        }
        const std::string name = c.req.Get("PresetName");
        if (name.size() > 64)
            return Error(c, 400, "env:Sender", "ter:InvalidArgVal/ter:InvalidPresetName", "preset name too long");
        int assigned = 0;
        const PresetResult r = c.cams.SetPreset(i, name, number, assigned);
        if (r != PresetResult::Ok) return PresetFault(c, r);
        return Ok(c, "<tptz:SetPresetResponse><tptz:PresetToken>" + std::to_string(assigned) +
                         "</tptz:PresetToken></tptz:SetPresetResponse>");
    }
    if (a == "GotoPreset" || a == "RemovePreset") {
        const int number = PresetNumber(c.req.Get("PresetToken"));
        const PresetResult r = a == "GotoPreset" ? c.cams.GotoPreset(i, number) : c.cams.RemovePreset(i, number);
        if (r != PresetResult::Ok) return PresetFault(c, r);
        return Ok(c, a == "GotoPreset" ? "<tptz:GotoPresetResponse/>" : "<tptz:RemovePresetResponse/>");
    }
    // GotoHomePosition: the preset named "home" in any case stands for home;
    // the protocols have no home command of their own.
    if (!c.cams.HasPresets(i)) return PresetFault(c, PresetResult::Unsupported);
    for (const auto& p : c.cams.Presets(i)) {
        std::string lower;
        for (unsigned char ch : p.second) lower += static_cast<char>(std::tolower(ch));
        if (lower == "home") {
            const PresetResult r = c.cams.GotoPreset(i, p.first);
            if (r != PresetResult::Ok) return PresetFault(c, r);
            return Ok(c, "<tptz:GotoHomePositionResponse/>");
        }
    }
    return Error(c, 500, "env:Receiver", "ter:Action/ter:NoHomePosition", "no preset named \"home\"");
}

bool SafeHost(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    for (unsigned char ch : host)
        if (!std::isalnum(ch) && ch != '.' && ch != ':' && ch != '-' && ch != '[' && ch != ']') return false;
    return true;
}

}  // namespace

Service::Service(const Config& config, CameraBank& cameras, Authenticator& auth)
    : config_(config), cams_(cameras), auth_(auth), clock_([] { return time(nullptr); }) {}

HttpReply Service::Handle(const HttpRequest& http) {
    HttpReply reply;
    SoapRequest req;
    Ctx c{config_, cams_, req, http, reply, std::string()};
    std::string why;
    if (!ParseSoap(http.body, http.size, req, why)) {
        reply.body = Error(c, 400, "env:Sender", "", "bad request: " + why);
        reply.action = "-";
        return reply;
    }
    reply.action = req.action;
    const int port = http.scope < 0 ? config_.port : cams_.Info(static_cast<size_t>(http.scope)).port;
    c.base = "http://" + (SafeHost(http.host) ? http.host : config_.address + ":" + std::to_string(port));

    const time_t now = clock_();
    const bool open = req.action == "GetSystemDateAndTime" && req.actionNs == kNsDevice;
    if (req.hasToken) reply.user = req.user;
    if (!open && authenticate_) {
        std::string cause = "no UsernameToken";
        if (!req.hasToken ||
            !auth_.Check(req.user, req.passwordType, req.password, req.nonce, req.created, now, cause)) {
            reply.body = Error(c, 400, "env:Sender", "ter:NotAuthorized", "Sender not Authorized");
            reply.detail = cause;
            return reply;
        }
    }
    if (req.actionNs == kNsDevice) reply.body = Device(c, now);
    else if (req.actionNs == kNsMedia) reply.body = Media(c);
    else if (req.actionNs == kNsPtz) reply.body = Ptz(c);
    if (reply.body.empty())
        reply.body = Error(c, 500, "env:Receiver", "ter:ActionNotSupported",
                           "Optional Action Not Implemented: " + req.action);
    return reply;
}

}  // namespace trevalod
