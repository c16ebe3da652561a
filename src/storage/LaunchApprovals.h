#pragma once

#include "storage/SettingsFolder.h"

#include <QString>
#include <QStringList>

namespace platform {
class MessageBox;
}

namespace storage {

inline const QString LaunchApprovalsFileName = QStringLiteral("LaunchSchemes.ini");

// LaunchSchemes.ini: the URL schemes the user allowed a page of a host to
// hand to another program, "<host> <scheme>" a line, each ended by CR LF. A
// pair is asked about once; once allowed, never again. A line of a scheme
// alone, which an earlier version wrote for every host, allows nothing.
class LaunchApprovals {
public:
    LaunchApprovals(SettingsFolder folder, platform::MessageBox& messages);

    // Whether the page of host may hand the address, of scheme, to the
    // system: allowed before, or now, in a question whose default is no. An
    // allowance is remembered for that host alone (not for a page with no
    // host); a save that fails only forgets it.
    bool allows(const QString& host, const QString& scheme, const QString& address);

    // The host and scheme pairs allowed, "<host> <scheme>" each.
    QStringList remembered() const;

private:
    SettingsFolder folder_;
    platform::MessageBox& messages_;
};

}  // namespace storage
