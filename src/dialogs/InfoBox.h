#pragma once

#include <QWidget>

namespace dialogs {

// frmInfo: the version line and the maker's contact lines.
class InfoBox : public QWidget {
    Q_OBJECT
public:
    explicit InfoBox(QWidget* parent = nullptr);
};

}  // namespace dialogs
