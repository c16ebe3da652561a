#include "Routes.h"

#include "HeavyPages.h"
#include "Pages.h"
#include "PortalRoutes.h"

#include <utility>

namespace sandbox {

namespace {

constexpr std::string_view NetmarbleCookie = "NM_SESSION";
constexpr std::string_view DaumCookie = "DAUM_SESSION";
constexpr std::string_view NetmarbleCodeCookie = "NM_PENDING";
constexpr std::string_view DaumCodeCookie = "DAUM_PENDING";

std::string regexForPath(std::string_view path)
{
    std::string pattern;
    for (char ch : path) {
        if (std::string_view(".^$|()[]{}*+?\\").find(ch) != std::string_view::npos)
            pattern += '\\';
        pattern += ch;
    }
    return pattern;
}

bool isFormBody(const httplib::Request& request)
{
    return request.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded");
}

constexpr std::pair<std::string_view, LaunchMode> LaunchModes[] = {
    {"href", LaunchMode::Href}, {"iframe", LaunchMode::Iframe}, {"timer", LaunchMode::Timer},
    {"redirect", LaunchMode::Redirect}, {"popup", LaunchMode::Popup}};

}  // namespace

std::optional<LaunchMode> launchModeNamed(std::string_view name)
{
    return valueNamed(LaunchModes, name);
}

std::string launchModeNames()
{
    return namesOf(LaunchModes);
}

std::string_view cookieName(Portal portal)
{
    return portal == Portal::Netmarble ? NetmarbleCookie : DaumCookie;
}

std::string_view codeCookieName(Portal portal)
{
    return portal == Portal::Netmarble ? NetmarbleCodeCookie : DaumCodeCookie;
}

void answerHtml(httplib::Response& response, const std::string& html, int status)
{
    response.status = status;
    response.set_content(html, "text/html; charset=utf-8");
}

void answerRedirect(httplib::Response& response, const std::string& address)
{
    response.set_redirect(address, 302);
}

std::string withMarkup(std::string page, const std::string& markup)
{
    const auto end = page.rfind("</body>");
    return end == std::string::npos ? page + markup : page.insert(end, markup);
}

void setCookie(httplib::Response& response, std::string_view name, const std::string& token)
{
    response.set_header("Set-Cookie", std::string(name) + '=' + token + "; Path=/; HttpOnly");
}

void clearCookie(httplib::Response& response, std::string_view name)
{
    response.set_header("Set-Cookie", std::string(name) + "=; Path=/; Max-Age=0; HttpOnly");
}

LogEntry logEntry(const Call& call, const httplib::Response& response, const Outcome& outcome)
{
    return LogEntry{
        .endpoint = call.endpoint,
        .method = call.request.method,
        .scheme = call.request.ssl ? "https" : "http",
        .path = call.path,
        .query = call.query,
        .form = call.form,
        .status = response.status,
        .location = response.get_header_value("Location"),
        .event = outcome.event,
        .user = outcome.user,
        .code = outcome.code,
    };
}

Router::Router(httplib::Server& server, Endpoint endpoint, RequestLog& log,
               std::function<void(Endpoint, httplib::Response&)> finish)
    : server_(server), endpoint_(endpoint), log_(log), finish_(std::move(finish))
{
}

void Router::get(std::string_view path, Action action)
{
    server_.Get(regexForPath(path), wrap(std::move(action)));
}

void Router::post(std::string_view path, Action action)
{
    server_.Post(regexForPath(path), wrap(std::move(action)));
}

void Router::any(const Action& action)
{
    server_.Get(".*", wrap(action));
    server_.Post(".*", wrap(action));
    server_.Put(".*", wrap(action));
    server_.Patch(".*", wrap(action));
    server_.Delete(".*", wrap(action));
    server_.Options(".*", wrap(action));
}

void Router::fallback()
{
    any([](const Call& call, httplib::Response& response, Outcome&) {
        answerHtml(response, pages::notFound(call.path), 404);
    });
}

httplib::Server::Handler Router::wrap(Action action)
{
    return [endpoint = endpoint_, &log = log_, finish = finish_,
            action = std::move(action)](const httplib::Request& request, httplib::Response& response) {
        auto [path, query] = splitTarget(request.target);
        Call call{endpoint, request, std::move(path), std::move(query), {}, {}};
        call.queryFields = parseUrlEncoded(call.query);
        if (isFormBody(request))
            call.form = parseUrlEncoded(request.body);
        Outcome outcome;
        action(call, response, outcome);
        if (finish)
            finish(endpoint, response);
        log.write(logEntry(call, response, outcome));
    };
}

Portals::Handlers::Handlers(Services services)
    : s_(services), a_(services.addresses), codePicture_(noisePng(96, 32, 246810))
{
}

void Portals::Handlers::install(Router& router, Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::NetmarbleLogin:
        netmarbleLogin(router);
        oneTimeCodePage(router, Portal::Netmarble, "/login/OneTimeCode.asp", "/login/code.png");
        break;
    case Endpoint::NetmarbleGame:
        gameSite(router, Portal::Netmarble, "넷마블 대항해시대 온라인", "/member/NMB_MembersJoin",
                 pages::netmarbleJoin, a_.NetmarbleIntroPage);
        break;
    case Endpoint::NetmarbleHome: netmarbleHome(router); break;
    case Endpoint::DaumLogin: daumLogin(router); break;
    case Endpoint::DaumSecureLogin:
        daumSecureLogin(router);
        oneTimeCodePage(router, Portal::Daum, "/accounts/onetimecode.do", "/accounts/code.png");
        break;
    case Endpoint::DaumHome: daumHome(router); break;
    case Endpoint::DaumUser: daumUser(router); break;
    case Endpoint::DaumGame:
        gameSite(router, Portal::Daum, "다음 대항해시대 온라인", "/member/DM_MembersJoin", pages::daumJoin,
                 a_.DaumJoinedPage);
        break;
    case Endpoint::ZavivSite: fanSite(router, "대항해시대 인벤"); break;
    case Endpoint::GuideSite: fanSite(router, "대항해시대 미르"); break;
    }
    router.fallback();
}

void Portals::Handlers::fanSite(Router& router, std::string_view title)
{
    router.get("/", [title](const Call&, httplib::Response& response, Outcome&) {
        answerHtml(response, pages::fanSite(title));
    });
}

Portals::Portals(Services services) : handlers_(std::make_unique<Handlers>(services)) {}

Portals::~Portals() = default;

void Portals::install(httplib::Server& server, Endpoint endpoint)
{
    Router router(server, endpoint, handlers_->log(), handlers_->finishAnswer());
    handlers_->install(router, endpoint);
}

void Portals::installHttpsUpgrade(httplib::Server& server, Endpoint endpoint)
{
    Router router(server, endpoint, handlers_->log(), handlers_->finishAnswer());
    router.any([](const Call& call, httplib::Response& response, Outcome& outcome) {
        // The host and port the request was sent to and its target as sent;
        // a 307 keeps a POST a POST, with its body.
        std::string host = call.request.get_header_value("Host");
        if (host.empty())
            host = call.request.local_addr + ':' + std::to_string(call.request.local_port);
        outcome.event = "https-upgrade";
        response.set_redirect("https://" + host + call.request.target, 307);
    });
}

}  // namespace sandbox
