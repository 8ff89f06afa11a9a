#pragma once

#include <QString>
#include <stdexcept>

// The one exception type of the system. A procedure that fails throws it with the
// system's error description; the handler of the window or procedure that called it
// catches it and shows its own stage text (gErrorText) through Prompt.
class OrvekError : public std::runtime_error {
public:
    explicit OrvekError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {}
    const QString &description() const { return m_description; }

private:
    QString m_description;
};
