#include "HeavyPages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace sandbox {

namespace {

constexpr std::string_view AssetPrefix = "/heavy/";
constexpr int ImageWidth = 160;
// Raw pixel sizes; with the PNG's own bytes each image stays within 40 to 80 KiB.
constexpr size_t SmallestImage = 41 * 1024;
constexpr size_t LargestImage = 79 * 1024;
constexpr size_t ScriptBytes = 250 * 1024;  // each of two scripts
constexpr size_t StyleBytes = 40 * 1024;    // each of two style sheets
constexpr size_t StandInFontBytes = 300 * 1024;

// A Korean web font is what a portal sends; a system font file stands in.
constexpr std::array<const char*, 3> FontFiles{
    "/usr/share/fonts/truetype/nanum/NanumSquareR.ttf",
    "/usr/share/fonts/truetype/nanum/NanumGothicCoding.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

// Deterministic noise, so that every start serves the same bytes.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed | 1u) {}
    std::uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

private:
    std::uint32_t state_;
};

std::uint32_t crc32(std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

void putBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xff);
}

void putChunk(std::string& png, std::string_view type, std::string_view data)
{
    putBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type) + std::string(data);
    png += typed;
    putBigEndian(png, crc32(typed));
}

int imageHeight(int index)
{
    const size_t bytes = SmallestImage + (LargestImage - SmallestImage) * static_cast<size_t>(index)
                                             / (HeavyImageCount - 1);
    return static_cast<int>(bytes / (1 + ImageWidth * 3));
}

std::string hexColour(Noise& noise)
{
    static const char digits[] = "0123456789abcdef";
    std::string colour = "#";
    for (int i = 0; i < 6; ++i)
        colour += digits[noise.next() % 16];
    return colour;
}

std::string styleSheet(std::uint32_t seed, bool withFont)
{
    Noise noise(seed);
    std::string css;
    if (withFont) {
        css += "@font-face { font-family: PortalFont; src: url(/heavy/font.ttf) format(\"truetype\"); }\n"
               "body { font-family: PortalFont, sans-serif; }\n"
               "#heavyContent img { display: inline-block; margin: 2px; }\n";
    }
    for (int rule = 0; css.size() < StyleBytes; ++rule) {
        css += ".s" + std::to_string(seed) + "-" + std::to_string(rule) + " > li:hover, .m" + std::to_string(rule)
               + " { margin: " + std::to_string(noise.next() % 9) + "px " + std::to_string(noise.next() % 9)
               + "px; padding: " + std::to_string(noise.next() % 7) + "px; color: " + hexColour(noise)
               + "; background-color: " + hexColour(noise) + "; border: 1px solid " + hexColour(noise)
               + "; }\n";
    }
    return css;
}

// Many small functions that the script then calls, each once per page, as a
// portal's libraries and page code do; the page part also builds a menu and a
// news list in the document and asks for its layout.
std::string script(std::uint32_t seed, bool pageCode)
{
    Noise noise(seed);
    const std::string name = pageCode ? "app" : "lib";
    std::string js = "(function (root) {\n\"use strict\";\nvar modules = [];\n";
    for (int n = 0; js.size() < ScriptBytes; ++n) {
        js += "modules.push(function " + name + std::to_string(n) + "(x) { var s = " + std::to_string(noise.next() % 997)
              + "; for (var i = 0; i < " + std::to_string(20 + noise.next() % 40) + "; i++) { s = (s * "
              + std::to_string(31 + noise.next() % 64) + " + x + i) % 1000003; } return s ^ "
              + std::to_string(noise.next() % 65536) + "; });\n";
    }
    js += "var sum = 0;\n"
          "for (var k = 0; k < modules.length; k++) sum = (sum + modules[k](k)) % 1000003;\n"
          "root.__heavy = root.__heavy || {};\n"
          "root.__heavy." + name + " = sum;\n";
    if (pageCode) {
        js += "var box = document.getElementById('heavyContent');\n"
              "if (box) {\n"
              "  var menu = document.createElement('ul');\n"
              "  for (var m = 0; m < 120; m++) {\n"
              "    var item = document.createElement('li');\n"
              "    item.className = 'm' + m;\n"
              "    item.textContent = '항해 메뉴 ' + m + ' ' + modules[m % modules.length](m);\n"
              "    menu.appendChild(item);\n"
              "  }\n"
              "  box.appendChild(menu);\n"
              "  root.__heavy.height = box.offsetHeight;\n"
              "}\n";
    }
    js += "})(window);\n";
    return js;
}

std::string portalFont()
{
    for (const char* path : FontFiles) {
        std::ifstream file(path, std::ios::binary);
        if (file)
            return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    // No font at hand: bytes of the same weight, which the browser fetches
    // and then rejects.
    Noise noise(7);
    std::string bytes(StandInFontBytes, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(noise.next() & 0xff);
    return bytes;
}

}  // namespace

std::string noisePng(int width, int height, std::uint32_t seed)
{
    Noise noise(seed);
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (1 + static_cast<size_t>(width) * 3));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width * 3; ++x)
            raw += static_cast<char>(noise.next() & 0xff);
    }

    std::string zlib = "\x78\x01";
    constexpr size_t MaxStored = 65535;
    for (size_t at = 0; at < raw.size(); at += MaxStored) {
        const size_t length = std::min(MaxStored, raw.size() - at);
        zlib += static_cast<char>(at + length == raw.size() ? 1 : 0);
        zlib += static_cast<char>(length & 0xff);
        zlib += static_cast<char>(length >> 8);
        zlib += static_cast<char>(~length & 0xff);
        zlib += static_cast<char>((~length >> 8) & 0xff);
        zlib.append(raw, at, length);
    }
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(zlib, (b << 16) | a);

    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

std::chrono::milliseconds Weight::effectiveLatency() const
{
    return latency.value_or(heavy ? DefaultHeavyLatency : std::chrono::milliseconds(0));
}

HeavyPages::HeavyPages(const Weight& weight, RequestLog& log, StopSignal& stop)
    : weight_(weight), latency_(weight.effectiveLatency()), log_(log), stop_(stop)
{
    if (!weight_.heavy)
        return;
    for (int i = 0; i < HeavyImageCount; ++i) {
        assets_["/heavy/img/" + std::to_string(i + 1) + ".png"] =
            Asset{"image/png", noisePng(ImageWidth, imageHeight(i), 1000u + static_cast<std::uint32_t>(i))};
    }
    assets_["/heavy/base.css"] = Asset{"text/css", styleSheet(1, true)};
    assets_["/heavy/layout.css"] = Asset{"text/css", styleSheet(2, false)};
    assets_["/heavy/lib.js"] = Asset{"application/javascript", script(3, false)};
    assets_["/heavy/app.js"] = Asset{"application/javascript", script(4, true)};
    assets_["/heavy/font.ttf"] = Asset{"font/ttf", portalFont()};
}

std::string HeavyPages::weighed(const std::string& html)
{
    const size_t headEnd = html.find("</head>");
    const size_t bodyEnd = html.rfind("</body>");
    if (headEnd == std::string::npos || bodyEnd == std::string::npos || bodyEnd < headEnd)
        return html;

    const std::string head = "<link rel=\"stylesheet\" href=\"/heavy/base.css\">\n"
                             "<link rel=\"stylesheet\" href=\"/heavy/layout.css\">\n"
                             "<script src=\"/heavy/lib.js\"></script>\n";
    std::string body = "<div id=\"heavyContent\">\n<p>대항해시대 온라인 소식과 이벤트</p>\n";
    for (int i = 0; i < HeavyImageCount; ++i) {
        body += "<img src=\"/heavy/img/" + std::to_string(i + 1) + ".png\" width=\"" + std::to_string(ImageWidth)
                + "\" height=\"" + std::to_string(imageHeight(i)) + "\" alt=\"\">\n";
    }
    body += "</div>\n<script src=\"/heavy/app.js\"></script>\n";

    std::string page = html;
    page.insert(bodyEnd, body);
    page.insert(headEnd, head);
    return page;
}

void HeavyPages::install(httplib::Server& server, Endpoint endpoint)
{
    const bool portal = !portalOf(endpoint).empty();
    if (latency_.count() == 0 && !(weight_.heavy && portal))
        return;

    server.set_pre_routing_handler([this, endpoint, portal](const httplib::Request& request,
                                                            httplib::Response& response) {
        if (latency_.count() > 0)
            stop_.sleepFor(latency_);
        if (portal && serveAsset(endpoint, request, response))
            return httplib::Server::HandlerResponse::Handled;
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

void HeavyPages::delayAnswers(httplib::Server& server)
{
    if (latency_.count() == 0)
        return;
    server.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
        stop_.sleepFor(latency_);
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

void HeavyPages::weigh(Endpoint endpoint, httplib::Response& response) const
{
    if (!weight_.heavy || portalOf(endpoint).empty() || response.status != 200
        || !response.get_header_value("Content-Type").starts_with("text/html"))
        return;
    response.body = weighed(response.body);
}

bool HeavyPages::serveAsset(Endpoint endpoint, const httplib::Request& request, httplib::Response& response)
{
    if (!weight_.heavy || request.method != "GET" || !request.path.starts_with(AssetPrefix))
        return false;
    const auto asset = assets_.find(request.path);
    if (asset == assets_.end())
        return false;
    response.status = 200;
    response.set_header("Cache-Control", "no-store");
    // Sent as stored, uncompressed: the library would otherwise pack each
    // script afresh at its slowest brotli level, half a second per answer,
    // which no portal spends on its static files.
    const std::string& body = asset->second.body;
    response.set_content_provider(body.size(), asset->second.contentType,
                                  [&body](size_t offset, size_t length, httplib::DataSink& sink) {
                                      return sink.write(body.data() + offset, length);
                                  });
    LogEntry entry;
    entry.endpoint = endpoint;
    entry.method = request.method;
    entry.scheme = request.ssl ? "https" : "http";
    entry.path = request.path;
    entry.status = response.status;
    log_.write(entry);
    return true;
}

}  // namespace sandbox
