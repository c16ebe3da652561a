#pragma once

#include <QProcess>
#include <QProcessEnvironment>

namespace platform {

// In a child between fork and exec, where only what is safe in a copy of a
// threaded program may run: every descriptor above standard error is closed
// at the exec, so that what this program holds (the engine's sockets, shared
// memory, the link) never lives on in the programs it starts. Closed at the
// exec rather than now: a pipe that reports a failed exec still works.
void closeOtherDescriptorsAtExec() noexcept;

// In a child: each of standard input, output and error that is closed gets
// the null device, so that the child's first file never takes its place.
void openNullOnClosedStandardStreams() noexcept;

// This process's environment less the browser engine's own variables
// (QTWEBENGINE_*, and what Qt WebEngine sets for itself), for the programs
// the program and the engine start.
QProcessEnvironment childEnvironment();

// A process that holds nothing of ours once started: null devices for its
// standard streams, a session of its own, descriptors 0-2 only and the
// environment given. It is never deleted while it runs (the program would
// end it); it deletes itself once it has ended or could not be started.
QProcess* newDetachedProcess(const QProcessEnvironment& environment);

}  // namespace platform
