#pragma once

#include "Layout.h"
#include "RequestLog.h"
#include "StopSignal.h"

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sandbox {

// What each answer of the sandbox weighs.
struct Weight {
    // Every portal page carries what a real portal page carries: images,
    // style sheets, scripts that run and a web font.
    bool heavy = false;
    // Waited before every answer; unset: 80 ms with heavy pages, else none.
    std::optional<std::chrono::milliseconds> latency;

    std::chrono::milliseconds effectiveLatency() const;
};

inline constexpr std::chrono::milliseconds DefaultHeavyLatency{80};
inline constexpr int HeavyImageCount = 30;

// A true-colour PNG of noise, its pixels in stored (uncompressed) deflate
// blocks: as large on the wire as it is to decode.
std::string noisePng(int width, int height, std::uint32_t seed);

// The heavy pages' weight: the assets under /heavy/ on every portal endpoint,
// the references to them written into each portal page, and the latency.
class HeavyPages {
public:
    HeavyPages(const Weight& weight, RequestLog& log, StopSignal& stop);

    // Makes every answer wait the latency and serves the assets; nothing
    // changes on the server when there is neither weight nor latency.
    void install(httplib::Server& server, Endpoint endpoint);

    // Makes every answer of the server wait the latency, and nothing more.
    void delayAnswers(httplib::Server& server);

    // Adds the references to the assets to a portal's page (status 200, HTML),
    // before it is compressed for the browser. Other answers stay as they are.
    void weigh(Endpoint endpoint, httplib::Response& response) const;

    // The page with the references to the assets added; unchanged when it
    // has no head or body to add them to.
    static std::string weighed(const std::string& html);

private:
    struct Asset {
        std::string contentType;
        std::string body;
    };

    bool serveAsset(Endpoint endpoint, const httplib::Request& request, httplib::Response& response);

    Weight weight_;
    std::chrono::milliseconds latency_;
    RequestLog& log_;
    StopSignal& stop_;
    std::map<std::string, Asset, std::less<>> assets_;  // by path
};

}  // namespace sandbox
