#pragma once

class QWebEnginePage;

namespace engine {

// Makes a page that nobody sees load only what its scripts and forms need:
// no images, web fonts, media, plugins or site icons. Scripts and cookies
// stay. Settings and request filter belong to this page alone, so other
// pages of the same profile keep a normal browser. Spell checking is a
// setting of the whole profile, which leaves it off.
void makeLean(QWebEnginePage* page);

// While a lean page is shown to the user, it loads images and web fonts as a
// browser does (a captcha must be seen); hidden again, it is lean again.
void setSeen(QWebEnginePage* page, bool seen);

}  // namespace engine
