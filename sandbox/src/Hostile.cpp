#include "Hostile.h"

#include "PlainServer.h"
#include "Text.h"

#include <utility>

namespace sandbox {

namespace {

constexpr std::pair<std::string_view, HostileMode> ModeNames[] = {
    {"login-500", HostileMode::LoginPage500},   {"redirect-loop", HostileMode::RedirectLoop},
    {"endless-page", HostileMode::EndlessPage}, {"cut-answer", HostileMode::CutAnswer},
    {"late-login", HostileMode::LateLogin},     {"framed-login", HostileMode::FramedLogin},
    {"hang-all", HostileMode::HangAll},
};

constexpr std::string_view LoopStart = "/hostile/loop-a";
constexpr std::string_view LoopTurn = "/hostile/loop-b";
constexpr std::string_view FramingPath = "/hostile/framing";
constexpr std::string_view FramingFormPath = "/hostile/framing-form";
// Another site than the portals' 127.0.0.1, on the sandbox's own listener.
constexpr std::string_view FramingHost = "localhost";

// What the broken answer claims to carry, and the part of it that is sent.
constexpr size_t ClaimedLength = 4096;
constexpr std::string_view CutPart = "<!doctype html><meta charset=\"utf-8\"><title>로그인 처리</title><p>처리 중";
constexpr std::string_view EndlessStart = "<!doctype html><meta charset=\"utf-8\"><title>로그인</title><p>불러오는 중";
constexpr std::string_view ServerError =
    "<!doctype html><meta charset=\"utf-8\"><title>500 Internal Server Error</title>"
    "<h1>서비스 점검 중</h1><p>잠시 후 다시 이용해 주세요.</p>";

size_t portalIndex(Endpoint endpoint)
{
    return portalOf(endpoint) == "netmarble" ? 0 : 1;
}

}  // namespace

std::optional<HostileMode> hostileModeNamed(std::string_view name)
{
    return valueNamed(ModeNames, name);
}

std::string hostileModeNames()
{
    return namesOf(ModeNames);
}

Hostile::Hostile(HostileMode mode, const Layout& layout, RequestLog& log, StopSignal& stop)
    : mode_(mode), layout_(layout), log_(log), stop_(stop)
{
}

void Hostile::install(httplib::Server& server, Endpoint endpoint)
{
    server.set_pre_routing_handler([this, endpoint](const httplib::Request& request, httplib::Response& response) {
        return handle(endpoint, request, response);
    });
}

Hostile::Step Hostile::stepOf(Endpoint endpoint, const httplib::Request& request) const
{
    const std::string path = splitTarget(request.target).first;
    if (path == LoopStart || path == LoopTurn)
        return Step::Loop;
    if (path == FramingPath)
        return Step::FramingPage;
    if (path == FramingFormPath)
        return Step::FramingForm;
    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
    switch (endpoint) {
    case Endpoint::NetmarbleLogin:
        // Without a query this is the page where an unlock ends, not the login page.
        if (get && path == "/login/login.asp" && request.target.find('?') != std::string::npos)
            return Step::LoginPage;
        return post && path == "/login/LoginProc.asp" ? Step::LoginForm : Step::None;
    case Endpoint::DaumHome:
        return get && path == "/Mail-bin/login.html" ? Step::LoginPage : Step::None;
    case Endpoint::DaumSecureLogin:
        return post && path == "/Mail-bin/login.cgi" ? Step::LoginForm : Step::None;
    default:
        return Step::None;
    }
}

bool Hostile::firstTime(Endpoint endpoint)
{
    return !used_[portalIndex(endpoint)].exchange(true);
}

httplib::Server::HandlerResponse Hostile::handle(Endpoint endpoint, const httplib::Request& request,
                                                 httplib::Response& response)
{
    using Result = httplib::Server::HandlerResponse;
    const Step step = stepOf(endpoint, request);
    if (step == Step::Loop) {
        const bool atStart = splitTarget(request.target).first == LoopStart;
        response.set_redirect(layout_.url(endpoint, atStart ? LoopTurn : LoopStart), 302);
        log(endpoint, request, response, "redirect-loop");
        return Result::Handled;
    }
    if (mode_ == HostileMode::HangAll && !portalOf(endpoint).empty()) {
        httplib::Response waiting;
        waiting.status = 0;
        log(endpoint, request, waiting, "hang-all");
        response.set_header("Connection", "close");
        response.status = 503;
        log(endpoint, request, response, holdOpen(request, std::chrono::hours(24)));
        return Result::Handled;
    }
    if (step == Step::FramingPage) {
        const bool netmarble = splitTarget(request.target).second == "portal=netmarble";
        // Exactly the login page the program asks for, over https.
        const std::string& asked = netmarble ? programAddresses_.NetmarbleLoginPage : programAddresses_.DaumLoginPage;
        const std::string framed = "https://" + asked.substr(std::string_view("http://").size());
        response.set_content("<!doctype html><meta charset=\"utf-8\"><title>이벤트</title>"
                             "<iframe src=\"" + htmlEscape(framed) + "\"></iframe>"
                             "<form method=\"post\" action=\"" + std::string(FramingFormPath) + "\">"
                             "<input name=\"put_id\"><input name=\"put_pwd\" type=\"password\">"
                             "<input name=\"id\"><input name=\"enpw\" type=\"password\">"
                             "<input type=\"submit\" name=\"btnSubmit\" id=\"loginBtn\"></form>",
                             "text/html; charset=utf-8");
        log(endpoint, request, response, "framing-page");
        return Result::Handled;
    }
    if (step == Step::FramingForm) {
        response.set_header("Connection", "close");
        response.set_content("<p>감사합니다</p>", "text/html; charset=utf-8");
        log(endpoint, request, response, "handed-over");
        return Result::Handled;
    }
    const bool loginPageMode = mode_ == HostileMode::LoginPage500 || mode_ == HostileMode::EndlessPage;
    const Step hostileStep = loginPageMode ? Step::LoginPage : Step::LoginForm;
    if (step != hostileStep || !firstTime(endpoint))
        return Result::Unhandled;
    // The body of a request answered here is never read: on a connection kept
    // open it would be taken for the next request.
    response.set_header("Connection", "close");

    switch (mode_) {
    case HostileMode::LoginPage500:
        response.status = 500;
        response.set_content(std::string(ServerError), "text/html; charset=utf-8");
        log(endpoint, request, response, "login-500");
        return Result::Handled;
    case HostileMode::RedirectLoop:
        response.set_redirect(layout_.url(endpoint, LoopStart), 302);
        log(endpoint, request, response, "redirect-loop");
        return Result::Handled;
    case HostileMode::EndlessPage:
        log(endpoint, request, response, "endless-page");
        response.set_chunked_content_provider(
            "text/html; charset=utf-8", [this, &request, endpoint](size_t, httplib::DataSink& sink) {
                sink.write(EndlessStart.data(), EndlessStart.size());
                const std::string_view ended = holdOpen(request, std::chrono::hours(24));
                httplib::Response gone;
                gone.status = 200;
                log(endpoint, request, gone, ended);
                return false;
            });
        return Result::Handled;
    case HostileMode::CutAnswer:
        log(endpoint, request, response, "cut-answer");
        response.set_content_provider(ClaimedLength, "text/html; charset=utf-8",
                                      [](size_t, size_t, httplib::DataSink& sink) {
                                          sink.write(CutPart.data(), CutPart.size());
                                          return false;
                                      });
        return Result::Handled;
    case HostileMode::LateLogin: {
        // Logged as it arrives, with no answer yet; the answer is logged when it goes out.
        httplib::Response waiting;
        waiting.status = 0;
        log(endpoint, request, waiting, "late-login");
        const std::string_view ended = holdOpen(request, LateAnswer);
        if (ended.empty())
            return Result::Unhandled;  // the ordinary answer, a minute late
        response.status = 503;
        log(endpoint, request, response, ended);
        return Result::Handled;
    }
    case HostileMode::FramedLogin: {
        const std::string portal = portalIndex(endpoint) == 0 ? "netmarble" : "daum";
        response.set_redirect("http://" + std::string(FramingHost) + ':'
                                  + std::to_string(layout_.port(Endpoint::ZavivSite)) + std::string(FramingPath)
                                  + "?portal=" + portal,
                              302);
        log(endpoint, request, response, "framed-login");
        return Result::Handled;
    }
    case HostileMode::None:
        break;
    }
    return Result::Unhandled;
}

std::string_view Hostile::holdOpen(const httplib::Request& request, std::chrono::milliseconds longest)
{
    constexpr auto Slice = std::chrono::milliseconds(50);
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!stop_.sleepFor(Slice))
            return "abandoned";
        if (clientHasLeft(request))
            return "cancelled";
    }
    return {};
}

void Hostile::log(Endpoint endpoint, const httplib::Request& request, const httplib::Response& response,
                  std::string_view event)
{
    auto [path, query] = splitTarget(request.target);
    // The body has not been read at this point: no form is logged.
    log_.write(LogEntry{
        .endpoint = endpoint,
        .method = request.method,
        .scheme = request.ssl ? "https" : "http",
        .path = std::move(path),
        .query = std::move(query),
        .form = {},
        .status = response.status,
        .location = response.get_header_value("Location"),
        .event = std::string(event),
        .user = {},
        .code = {},
    });
}

}  // namespace sandbox
