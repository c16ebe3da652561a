#pragma once

#include <QWidget>

namespace dialogs {

// frmInfo: the version line and what the program is. Any click on it closes
// it.
class InfoBox : public QWidget {
    Q_OBJECT
public:
    explicit InfoBox(QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;  // Form_Click and the labels' clicks
    void keyPressEvent(QKeyEvent* event) override;        // Enter and Esc close it, as a click does
};

}  // namespace dialogs
