#pragma once

#include <QString>

// Every text the user sees: the status captions of the main window (its
// caption is the program's status line), the message boxes, and the windows'
// titles, labels and buttons.
namespace text {

inline const QString AppTitle = QStringLiteral("Quaylet");

inline const QString LoginCaption = QStringLiteral("로그인");
inline const QString CancelCaption = QStringLiteral("로그인 취소");
inline const QString LogoutCaption = QStringLiteral("로그아웃");

inline const QString NetmarbleLoggingIn = QStringLiteral("Quaylet - 넷마블 로그인 중..");
inline const QString NetmarbleLoggedIn = QStringLiteral("Quaylet - 넷마블 로그인 완료");
inline const QString NetmarbleLoginFailed = QStringLiteral("Quaylet - 넷마블 로그인 실패");
inline const QString NetmarbleLoggingOut = QStringLiteral("Quaylet - 넷마블 로그아웃 중..");
inline const QString NetmarbleLoggedOut = QStringLiteral("Quaylet - 넷마블 로그아웃 완료");
inline const QString NetmarbleCancelling = QStringLiteral("Quaylet - 넷마블 로그인 취소중..");
inline const QString NetmarbleJoining = QStringLiteral("Quaylet - 넷마블 대항해시대 온라인 가입");
inline const QString NetmarbleGameStarting = QStringLiteral("Quaylet - 넷마블 대항해시대 온라인 실행");

inline const QString DaumLoggingIn = QStringLiteral("Quaylet - 다음 로그인 중..");
inline const QString DaumLoggedIn = QStringLiteral("Quaylet - 다음 로그인 완료");
inline const QString DaumLoginFailed = QStringLiteral("Quaylet - 다음 로그인 실패");
inline const QString DaumLoggingOut = QStringLiteral("Quaylet - 다음 로그아웃 중..");
inline const QString DaumLoggedOut = QStringLiteral("Quaylet - 다음 로그아웃 완료");
inline const QString DaumCancelling = QStringLiteral("Quaylet - 다음 로그인 취소중..");
inline const QString DaumConsenting = QStringLiteral("Quaylet - 다음 개인정보제공 동의");
// An equals sign where every other caption has a dash: this is the caption
// users have always seen on this step, kept as it is.
inline const QString DaumJoining = QStringLiteral("Quaylet = 다음 대항해시대 온라인 가입");
inline const QString DaumGameStarting = QStringLiteral("Quaylet - 다음 대항해시대 온라인 실행");

inline const QString NetmarbleJoinQuestion = QStringLiteral(
    "넷마블 대항해시대에 가입이 되어있지 않습니다.\r\n"
    "'예' 를 누르시면 넷마블 대항해시대에 자동으로 가입됩니다.");
inline const QString NetmarbleLockedNotice =
    QStringLiteral("넷마블 ID가 잠겨있습니다. 잠금 해지 페이지로 연결합니다");
inline const QString NetmarbleUnlockedNotice =
    QStringLiteral("아이디가 성공적으로 잠금해지 되었습니다. 다시 로그인합니다.");
inline const QString DaumConsentQuestion = QStringLiteral(
    "다음 개인정보제공 동의를 하지않으셨습니다.\r\n"
    "'예' 를 누르시면 다음 개인정보제공을 자동으로 동의합니다.");
inline const QString DaumJoinQuestion = QStringLiteral(
    "다음 대항해시대에 가입이 되어있지 않습니다.\r\n"
    "'예' 를 누르시면 다음 대항해시대에 자동으로 가입됩니다.");

// What a save or a start could not do; the system's reason follows. In the
// file messages %1 is the full path of the file the save was for.
inline const QString ConfigNotSaved = QStringLiteral("설정 파일(%1)을 저장하지 못했습니다.");
// The reason, for a user's settings folder that others may write or that
// belongs to someone else; %1 is the folder.
inline const QString FolderNotPrivate = QStringLiteral("%1: 다른 사용자도 바꿀 수 있는 폴더라서 쓰지 않습니다.");
inline const QString StartAtLogonNotAdded = QStringLiteral("시작 프로그램에 Quaylet을 등록하지 못했습니다.");
inline const QString StartAtLogonNotRemoved =
    QStringLiteral("시작 프로그램에서 Quaylet 등록을 해제하지 못했습니다.");
inline const QString UserFileNotSaved = QStringLiteral("사용자 정보 파일(%1)을 저장하지 못했습니다.");
inline const QString IdTooLong = QStringLiteral("아이디가 너무 깁니다.");
inline const QString PasswordTooLong = QStringLiteral("비밀번호가 너무 깁니다.");
inline const QString SitesNotOpened = QStringLiteral("다음 웹페이지를 열지 못했습니다.");

// The reason when the user's own entry is gone but the one an earlier version
// wrote for every user of the machine stays: only an administrator may remove it.
inline const QString MachineWideEntryNeedsAdministrator =
    QStringLiteral("이전 버전이 모든 사용자용으로 등록한 항목은 관리자 권한으로만 해제할 수 있습니다. "
                   "Quaylet을 관리자 권한으로 실행한 뒤 다시 저장하세요.");

inline QString withReason(const QString& what, const QString& reason)
{
    return QStringLiteral("%1\n(%2)").arg(what, reason);
}

// Buttons of the message boxes, as the system's own read on a Korean desktop.
inline const QString OkButton = QStringLiteral("확인");
inline const QString OpenButton = QStringLiteral("열기(&O)");
inline const QString ContinueButton = QStringLiteral("계속(&C)");
inline const QString CancelButton = QStringLiteral("취소");
inline const QString YesButton = QStringLiteral("예");
inline const QString NoButton = QStringLiteral("아니요");

// A portal page that could not be loaded: what, then why on a line of its own.
inline const QString NetmarbleUnreachable = QStringLiteral("넷마블에 연결할 수 없습니다.");
inline const QString DaumUnreachable = QStringLiteral("다음에 연결할 수 없습니다.");
inline const QString ConnectionRefused = QStringLiteral("서버가 연결을 거부했습니다.");
inline const QString HostNotFound = QStringLiteral("서버 주소를 찾을 수 없습니다.");
inline const QString CertificateRejected = QStringLiteral("서버의 보안 인증서를 신뢰할 수 없습니다.");
inline const QString NoAnswer = QStringLiteral("서버가 30초 동안 응답하지 않았습니다.");
inline const QString ConnectionLost = QStringLiteral("서버와의 연결이 끊어졌습니다.");
inline const QString BrowserEnded = QStringLiteral("웹 브라우저가 예기치 않게 종료되었습니다.");
inline const QString PageScriptFailed = QStringLiteral("포털 페이지에서 필요한 동작을 실행하지 못했습니다.");
inline const QString ServerError = QStringLiteral("서버에서 오류가 발생했습니다. (HTTP %1)");
inline const QString NetworkError = QStringLiteral("네트워크 오류가 발생했습니다. (오류 %1)");
// Chromium will not run as root without its sandbox: no login is tried there.
inline const QString RootLoginRefused = QStringLiteral(
    "root 계정으로는 로그인할 수 없습니다.\nQuaylet은 일반 사용자 계정으로 실행할 때만 로그인합니다.");

// The game's launch, which the channel page asked for, could not be handed to
// the system: what, then why on a line of its own.
inline const QString GameCannotStart = QStringLiteral("게임을 실행할 수 없습니다.");
// A channel page asks to hand an address of a scheme no rule knows to another program.
inline const QString LaunchSchemeQuestion =
    QStringLiteral("%1 페이지가 '%2' 주소를 다른 프로그램으로 열려고 합니다. 여시겠습니까?");
// The address asked about, as the question shows it: its first characters.
constexpr qsizetype LaunchAddressShown = 200;
inline const QString OpenerFailed =
    QStringLiteral("이 주소를 여는 프로그램이 없거나 실행되지 않았습니다. (xdg-open 종료 코드 %1)");
inline const QString OpenerMissing = QStringLiteral("xdg-open을 실행할 수 없습니다.");
// Linux: neither the desktop nor a Wine prefix knows the launcher's scheme.
inline const QString NoLauncherForScheme = QStringLiteral(
    "이 컴퓨터에는 '%1' 주소를 여는 프로그램이 없습니다.\n"
    "게임을 Wine에 설치했다면 그 Wine 환경을 WINEPREFIX로 알려주세요(기본값 ~/.wine). "
    "그렇지 않다면 x-scheme-handler/%1 을(를) 여는 데스크톱 항목을 등록하세요.");
inline const QString WineStartFailed =
    QStringLiteral("Wine 환경 %1 에 등록된 게임 실행기가 실행되지 않았습니다. (wine 종료 코드 %2)");
inline const QString WineMissing =
    QStringLiteral("Wine 환경 %1 에 게임 실행기가 등록되어 있지만 wine 명령을 찾을 수 없습니다.");

// A logout the portal did not confirm in time; the program forgot the session.
inline const QString LogoutNotConfirmed =
    QStringLiteral("포털이 로그아웃을 확인하지 않아 이 프로그램에서 로그아웃했습니다.");
// A login led to a page of a site that is not the portal's: never shown.
inline const QString LeftThePortal =
    QStringLiteral("로그인 중에 포털이 아닌 사이트(%1)의 페이지가 열려 로그인을 중단했습니다.");
// The ID and password are about to go into a page that came over plain http.
inline const QString PlainHttpQuestion =
    QStringLiteral("%1 은(는) 암호화되지 않은 연결(http)로 로그인 정보를 받습니다. 같은 네트워크의 다른 사람이 "
                   "ID와 비밀번호를 볼 수 있습니다. 계속하시겠습니까?");

inline const QString UserDataDamaged = QStringLiteral("유저 정보가 손상되었습니다. 다시 로그인해주세요");
inline const QString MissingCredentials = QStringLiteral("아이디와 비밀번호를 모두 입력하세요.");

// The windows' titles, labels, choices and buttons.
inline const QString GameName = QStringLiteral("대항해시대 온라인");
inline const QString SitesTooltip = QStringLiteral("대항해시대 온라인 관련 사이트 열기");
// The main window's picture that opens the sites, as a screen reader names it.
inline const QString SitesPictureName = QStringLiteral("관련 사이트");
inline const QString ConfigCaption = QStringLiteral("설정");
inline const QString GameStartCaption = QStringLiteral("게임시작");
inline const QString InfoCaption = QStringLiteral("정보");

inline const QString LoginWindowTitle = QStringLiteral("Login");
inline const QString IdLabel = QStringLiteral("아이디 : ");
inline const QString PasswordLabel = QStringLiteral("비밀번호 :");
inline const QString NetmarbleChoice = QStringLiteral("넷마블");
inline const QString DaumChoice = QStringLiteral("다음");
inline const QString PasswordSavedWarning = QStringLiteral("주의!  비밀번호가 컴퓨터에 저장됩니다.");
inline const QString PublicPlaceAdvice = QStringLiteral(
    "PC방 등 공공장소에서의 사용시          비밀번호 저장을 해제하시고 사용하세요. "
    "비밀번호가 컴퓨터에 저장되지 않게      하려면 이 프로그램 설정화면에서         "
    "설정을 변경하면 됩니다.");

inline const QString ConfigWindowTitle = QStringLiteral("설정");
inline const QString PortalFrame = QStringLiteral("기본 서비스 회사 설정");
inline const QString AutomaticFrame = QStringLiteral("자동 실행 설정");
inline const QString StartAtLogonChoice = QStringLiteral("윈도우 시작시 프로그램 자동 실행");
inline const QString SaveIdChoice = QStringLiteral("ID저장");
inline const QString SavePasswordChoice = QStringLiteral("비밀번호 저장");
inline const QString AutoLoginChoice = QStringLiteral("프로그램 시작시 자동 로그인");
inline const QString AutoStartGameChoice = QStringLiteral("로그인 완료시 게임 자동 실행");
inline const QString AfterStartFrame = QStringLiteral("게임 실행시 프로그램 설정");
inline const QString AfterStartNothingChoice = QStringLiteral("아무것도 하지 않음");
inline const QString AfterStartMinimiseChoice = QStringLiteral("프로그램 최소화");
inline const QString AfterStartQuitChoice = QStringLiteral("프로그램 종료");
inline const QString SaveCaption = QStringLiteral("저장");

inline const QString InfoWindowTitle = QStringLiteral("정보");
inline const QString InfoVersion = QStringLiteral("Ver 1.1 - 09/02/07");
inline const QString InfoProgramKind = QStringLiteral("로그인 도우미");

inline const QString WebWindowTitle = QStringLiteral("연결할 웹페이지");
inline const QString NetmarbleGameSite = QStringLiteral("넷마블 대항해시대");
inline const QString DaumGameSite = QStringLiteral("다음 대항해시대");
inline const QString ZavivSite = QStringLiteral("대항해시대 인벤");
inline const QString GuideSite = QStringLiteral("대항해시대 미르");
inline const QString CloseCaption = QStringLiteral("닫기");
inline const QString OpenSelectedCaption = QStringLiteral("선택한 웹페이지 열기");

inline const QString UnlockWindowTitle = QStringLiteral("ID 잠금해지 페이지");
// A window that shows a page after its caption: "<caption> - <host[:port]>",
// marked for a page that came over plain http.
inline const QString PageWindowTitle = QStringLiteral("%1 - %2");
inline const QString NotSecureMark = QStringLiteral(" (안전하지 않음)");
inline const QString NotSecure = QStringLiteral("안전하지 않음");
// The view of such a window, as a screen reader names it: "<host[:port]> 웹 페이지".
inline const QString PageViewName = QStringLiteral("%1 웹 페이지");
// The read-only line above a page shown to the user, which holds its address.
inline const QString PageAddressName = QStringLiteral("주소");
// A window a portal page opened: the page's host first, which its title
// cannot push aside, then its title.
inline const QString PopupTitle = QStringLiteral("%1 - %2");
// A script dialog of a portal page: where it comes from, then what it says.
inline const QString PageSays = QStringLiteral("%1 웹 페이지의 메시지:");

}  // namespace text
