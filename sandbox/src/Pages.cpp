#include "Pages.h"

#include "Text.h"

namespace sandbox::pages {

namespace {

std::string document(std::string_view title, std::string_view body, std::string_view script = {})
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"ko\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>" + htmlEscape(title) + "</title>\n";
    if (!script.empty())
        html += "<script>\n" + std::string(script) + "</script>\n";
    html += "</head>\n<body>\n" + std::string(body) + "</body>\n</html>\n";
    return html;
}

std::string userLine(std::string_view user)
{
    if (user.empty())
        return "<p id=\"user\">로그인하지 않았습니다.</p>\n";
    return "<p id=\"user\">로그인: <b>" + htmlEscape(user) + "</b></p>\n";
}

// The join form of both portals; agree_check submits it once the box is ticked.
std::string joinForm(std::string_view action)
{
    return "<form name=\"joinForm\" id=\"joinForm\" method=\"post\" accept-charset=\"utf-8\" "
           "action=\"" + htmlEscape(action) + "\">\n"
           "<p><input type=\"checkbox\" name=\"checkBox1\" id=\"checkBox1\" value=\"Y\"> "
           "<label for=\"checkBox1\">이용약관과 개인정보 수집에 동의합니다.</label></p>\n"
           "<p id=\"notice\"></p>\n"
           "<p><input type=\"button\" name=\"agreeBtn\" id=\"agreeBtn\" value=\"가입하기\" "
           "onclick=\"agree_check()\"></p>\n"
           "</form>\n";
}

constexpr std::string_view AgreeCheckScript =
    "function agree_check() {\n"
    "  var form = document.getElementById(\"joinForm\");\n"
    "  if (!form.checkBox1.checked) {\n"
    "    document.getElementById(\"notice\").textContent = \"약관에 동의해 주세요.\";\n"
    "    return;\n"
    "  }\n"
    "  form.submit();\n"
    "}\n";

std::string loginFailed(std::string_view title, const std::string& retryAddress, bool alert)
{
    return document(title,
                    "<h1>로그인 실패</h1>\n<p>아이디 또는 비밀번호가 맞지 않습니다.</p>\n"
                    "<p><a id=\"retry\" href=\"" + htmlEscape(retryAddress) + "\">다시 로그인</a></p>\n",
                    alert ? "alert(\"아이디 또는 비밀번호가 맞지 않습니다.\");\n" : "");
}

}  // namespace

std::string netmarbleLogin(const Addresses& a, bool confirmLogout)
{
    const std::string body =
        "<h1>넷마블 로그인</h1>\n"
        "<form name=\"loginForm\" id=\"loginForm\" method=\"post\" accept-charset=\"utf-8\" "
        "action=\"" + htmlEscape(a.NetmarbleLoginAction) + "\">\n"
        "<p><label for=\"put_id\">아이디</label> "
        "<input type=\"text\" name=\"put_id\" id=\"put_id\"></p>\n"
        "<p><label for=\"put_pwd\">비밀번호</label> "
        "<input type=\"password\" name=\"put_pwd\" id=\"put_pwd\"></p>\n"
        "<p><input type=\"submit\" name=\"btnSubmit\" id=\"btnSubmit\" value=\"로그인\"></p>\n"
        "</form>\n"
        "<p><a id=\"logoutLink\" href=\"javascript:go_logout()\">로그아웃</a></p>\n";
    const std::string script = std::string("function go_logout() {\n")
                               + (confirmLogout ? "  if (!confirm(\"로그아웃 하시겠습니까?\"))\n    return;\n" : "")
                               + "  location.href = " + jsonString(a.NetmarbleLogoutAction) + ";\n}\n";
    return document("넷마블 로그인", body, script);
}

std::string netmarbleLoginFailed(const Addresses& a, bool alert)
{
    return loginFailed("넷마블 로그인 실패", a.NetmarbleLoginPage, alert);
}

std::string netmarbleLocked(const Addresses& a, std::string_view id, bool newWindow)
{
    const std::string body =
        "<h1>ID 잠금</h1>\n"
        "<p>아이디 <b id=\"lockedId\">" + htmlEscape(id) + "</b> 는 도용이 의심되어 잠겨 있습니다.</p>\n"
        "<form name=\"unlockForm\" id=\"unlockForm\" method=\"post\" accept-charset=\"utf-8\" "
        + (newWindow ? "target=\"_blank\" action=\"" + htmlEscape(a.NetmarbleUnlockAction + "?window=new")
                     : "action=\"" + htmlEscape(a.NetmarbleUnlockAction))
        + "\">\n"
        "<input type=\"hidden\" name=\"uid\" id=\"uid\" value=\"" + htmlEscape(id) + "\">\n"
        "<p><input type=\"submit\" name=\"unlockBtn\" id=\"unlockBtn\" value=\"잠금 해제\"></p>\n"
        "</form>\n";
    return document("넷마블 ID 잠금 해제", body);
}

std::string netmarbleUnlockedInNewWindow(const Addresses& a)
{
    return document("넷마블 ID 잠금 해제 완료", "<p>잠금이 해제되었습니다.</p>\n",
                    "if (window.opener)\n  window.opener.location.href = " + jsonString(a.NetmarbleUnlockedPage)
                        + ";\nwindow.close();\n");
}

std::string netmarbleJoin(const Addresses& a, std::string_view user)
{
    return document("넷마블 대항해시대 가입",
                    "<h1>대항해시대 온라인 가입</h1>\n" + userLine(user)
                        + joinForm(a.NetmarbleJoinAction),
                    AgreeCheckScript);
}

std::string netmarbleHome(const Addresses& a)
{
    return document("넷마블", "<h1>넷마블</h1>\n<p><a id=\"login\" href=\""
                                  + htmlEscape(a.NetmarbleLoginPage) + "\">로그인</a></p>\n");
}

std::string daumLogin(const Addresses& a)
{
    const std::string body =
        "<h1>다음 로그인</h1>\n"
        "<form name=\"loginForm\" id=\"loginForm\" method=\"post\" accept-charset=\"utf-8\" "
        "action=\"" + htmlEscape(a.DaumLoginAction) + "\">\n"
        "<input type=\"hidden\" name=\"url\" value=\"" + htmlEscape(a.DaumIntroPage) + "\">\n"
        "<input type=\"hidden\" name=\"category\" value=\"identity\">\n"
        "<p><label for=\"id\">아이디</label> <input type=\"text\" name=\"id\" id=\"id\"></p>\n"
        "<p><label for=\"enpw\">비밀번호</label> "
        "<input type=\"password\" name=\"enpw\" id=\"enpw\"></p>\n"
        "<p><input type=\"submit\" name=\"loginBtn\" id=\"loginBtn\" value=\"로그인\"></p>\n"
        "</form>\n";
    return document("다음 로그인", body);
}

std::string daumLoginFailed(const Addresses& a, bool alert)
{
    return loginFailed("다음 로그인 실패", a.DaumLoginPage, alert);
}

std::string daumConsent(const Addresses& a, std::string_view user)
{
    const std::string body =
        "<h1>개인정보 제공 동의</h1>\n" + userLine(user)
        + "<form name=\"agreeForm\" id=\"agreeForm\" method=\"post\" accept-charset=\"utf-8\" "
          "action=\"" + htmlEscape(a.DaumConsentAction) + "\">\n"
          "<p><input type=\"checkbox\" name=\"confirm\" id=\"confirm\" value=\"Y\"> "
          "<label for=\"confirm\">대항해시대 온라인에 개인정보를 제공하는 데 동의합니다.</label></p>\n"
          "<p><input type=\"submit\" name=\"_finish\" id=\"_finish\" value=\"확인\"></p>\n"
          "</form>\n";
    return document("다음 개인정보 제공 동의", body);
}

std::string daumJoin(const Addresses& a, std::string_view user)
{
    return document("다음 대항해시대 가입",
                    "<h1>대항해시대 온라인 가입</h1>\n" + userLine(user) + joinForm(a.DaumJoinAction),
                    AgreeCheckScript);
}

std::string daumHome(const Addresses& a, std::string_view user, bool loggedOut)
{
    std::string body = "<h1>Daum</h1>\n";
    body += loggedOut ? "<p id=\"state\">로그아웃되었습니다.</p>\n" : userLine(user);
    body += "<p><a id=\"login\" href=\"" + htmlEscape(a.DaumLoginPage) + "\">로그인</a></p>\n";
    return document("Daum", body);
}

std::string oneTimeCode(std::string_view title, const std::string& action, const std::string& picture,
                        bool wrongCode)
{
    const std::string body =
        "<h1>로그인 확인</h1>\n"
        "<p>휴대폰으로 받은 일회용 코드 6자리를 입력해 주세요.</p>\n"
        "<p><img id=\"codePicture\" src=\"" + htmlEscape(picture) + "\" alt=\"보안 문자\"></p>\n"
        + (wrongCode ? "<p id=\"notice\">코드가 맞지 않습니다.</p>\n" : "")
        + "<form name=\"codeForm\" id=\"codeForm\" method=\"post\" accept-charset=\"utf-8\" "
          "action=\"" + htmlEscape(action) + "\">\n"
          "<p><label for=\"code\">코드</label> "
          "<input type=\"text\" name=\"code\" id=\"code\" inputmode=\"numeric\" autocomplete=\"one-time-code\" "
          "autofocus></p>\n"
          "<p><input type=\"submit\" name=\"codeBtn\" id=\"codeBtn\" value=\"확인\"></p>\n"
          "</form>\n";
    return document(title, body);
}

std::string gamePage(std::string_view title, std::string_view message, std::string_view user)
{
    return document(title, "<h1>" + htmlEscape(title) + "</h1>\n<p id=\"message\">"
                               + htmlEscape(message) + "</p>\n" + userLine(user));
}

std::string fanSite(std::string_view title)
{
    return document(title, "<h1>" + htmlEscape(title) + "</h1>\n<p>대항해시대 온라인 팬 사이트</p>\n");
}

std::string notFound(std::string_view path)
{
    return document("404", "<h1>404</h1>\n<p>" + htmlEscape(path) + " 페이지가 없습니다.</p>\n");
}

std::string badRequest(std::string_view reason)
{
    return document("400", "<h1>400</h1>\n<p>" + htmlEscape(reason) + "</p>\n");
}

std::string unavailable()
{
    return document("503", "<h1>503</h1>\n<p>서버를 멈추는 중입니다.</p>\n");
}

}  // namespace sandbox::pages
