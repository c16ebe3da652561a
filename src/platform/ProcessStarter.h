#pragma once

#include <QString>

#include <memory>

namespace platform {

// Starts programs without waiting for them.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;

    // Starts program with one argument, its window maximised and focused.
    // The command line is the program, one blank and the argument. It gets
    // none of this program's descriptors but its standard streams.
    // Returns false when the program could not be started.
    virtual bool start(const QString& program, const QString& argument) = 0;
};

// The system's web browser program.
QString webBrowserProgram();

std::unique_ptr<ProcessStarter> systemProcessStarter();

}  // namespace platform
