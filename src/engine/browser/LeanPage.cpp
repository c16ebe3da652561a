#include "engine/browser/LeanPage.h"

#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <atomic>

namespace engine {

namespace {

// The engine has no setting for web fonts: their requests are refused, and
// the text falls back to the system's fonts. Media goes the same way.
class UnseenResourceFilter : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void setSeen(bool seen) { seen_ = seen; }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (seen_)
            return;
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
            info.block(true);
            break;
        default:
            break;
        }
    }

private:
    std::atomic<bool> seen_ = false;
};

}  // namespace

void makeLean(QWebEnginePage* page)
{
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    // Owned by the page, which outlives every request it makes.
    page->setUrlRequestInterceptor(new UnseenResourceFilter(page));
}

void setSeen(QWebEnginePage* page, bool seen)
{
    // Images the document holds back are fetched as soon as this goes on.
    page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, seen);
    if (auto* filter = dynamic_cast<UnseenResourceFilter*>(page->findChild<QWebEngineUrlRequestInterceptor*>()))
        filter->setSeen(seen);
}

}  // namespace engine
