#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>

namespace engine {

class WebPage;

// Runs the session's scripts in the page's document last reported complete,
// one turn later and in order: a form must never go out just as a navigation
// asked for in the same turn replaces its page, nor credentials land in a
// document the page went on to by itself. A page that does not carry out a
// step within the step limit has a hung renderer.
class PageSteps : public QObject {
    Q_OBJECT
public:
    // The longest a page step may take before the page's renderer counts as hung.
    static constexpr int StepTimeoutMs = 10000;

    // A page script is the page's own (a "javascript:" address): its failure
    // fails the operation. Element steps fill and click.
    enum class Step { Elements, PageScript };

    PageSteps();

    // A new page, or none: what was sent to the one before is forgotten.
    void setPage(WebPage* page);
    // The page's document from now on; steps meant for an earlier one do nothing.
    void documentReported(const QUrl& reached);
    // Counts the documents reported, over every page.
    quint64 documentNumber() const { return document_; }
    QUrl documentUrl() const { return documentUrl_; }

    // False when the page has no document to run in.
    bool run(const QString& script, quint32 world, Step step);
    // The user's answer to a page dialog may take long: a step that opened
    // it is not done until it is answered.
    void dialogOpen(bool open);
    void setTimeout(int milliseconds) { limit_.setInterval(milliseconds); }

Q_SIGNALS:
    void hung();
    void pageScriptFailed();

private:
    void done(WebPage* page);

    WebPage* page_ = nullptr;
    bool pageHasDocument_ = false;
    quint64 document_ = 0;
    QUrl documentUrl_;  // of the last document, as the engine reached it
    int awaited_ = 0;   // scripts sent to the page whose result has not come
    QTimer limit_;
};

}  // namespace engine
