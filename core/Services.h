#pragma once

// Seams between the logic and the platform: message boxes, the shell, the save dialog and
// the end of the program. Each has a default for the running program and a handler that
// tests (or the Widgets library) install.

#include <QString>
#include <functional>

enum class PromptIcon { None, Information, Exclamation, Critical, Question };
enum class PromptButtons { Ok, YesNo, OkCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

class Prompt {
public:
    using Handler =
        std::function<PromptAnswer(const QString &text, PromptIcon icon, const QString &title, PromptButtons buttons)>;
    // Shows a modal message box. Texts keep their CR LF.
    static PromptAnswer show(const QString &text, PromptIcon icon, const QString &title,
                             PromptButtons buttons = PromptButtons::Ok);
    // Installs the handler that answers every box; an empty handler restores the default
    // (a line on standard error, answered with Ok or No).
    static void setHandler(Handler handler);
};

class Shell {
public:
    // Told when an opener that took a document gives up on it afterwards.
    using Declined = std::function<void()>;
    struct Handlers {
        std::function<bool(const QString &path)> startProgram;
        std::function<bool(const QString &url)> openUrl;
        std::function<bool(const QString &path, const Declined &declined)> openFile;
    };
    // Starts a program detached ("open" of an executable).
    static bool startProgram(const QString &path);
    // Opens a web address in the user's browser.
    static bool openUrl(const QString &url);
    // Opens a document with its associated program. False: no opener took it. An opener that
    // took it may still find no program for the document's type (a desktop without one):
    // `declined`, when given, then runs once, later, from the event loop.
    static bool openFile(const QString &path, const Declined &declined = {});
    static void setHandlers(Handlers handlers);
    static Handlers defaultHandlers();
};

class FileDialog {
public:
    using Handler = std::function<QString(const QString &title, const QString &startFolder, const QString &filter)>;
    // Asks for a file name to save to, starting in `startFolder` (an existing folder) with an
    // empty name; returns "" when the operator cancels.
    static QString getSaveFileName(const QString &title, const QString &startFolder, const QString &filter);
    static void setHandler(Handler handler);
};

class Lifecycle {
public:
    using Handler = std::function<void()>;
    // "The program ends": closes the connections and leaves the event loop. Callers return
    // right after it; ended() tells code that runs before the event loop to stop.
    static void endProgram();
    static bool ended();
    static void reset();
    // Replaces the whole end (tests record it); an empty handler restores the default: the
    // closing procedure, then leaving the event loop (nothing when there is none).
    static void setHandler(Handler handler);
    // What the default end closes first (the program installs the closing of its databases).
    static void setClosing(Handler closeConnections);
};

// The progress window that long operations show and hide (the Widgets library installs the
// real one; without it nothing is shown). Its figures are gProgressDone / gProgressTotal.
class ProgressWindow {
public:
    struct Handlers {
        std::function<void()> show;
        std::function<void()> hide;
        std::function<void(const QString &text)> setStatus; // the status line (Label1)
        std::function<void(bool shown)> showSpeed;          // the speed line (Label2, lblIslemHiz)
        std::function<void(bool running)> runTimer;         // the refresh timer (Timer1)
    };
    static void show();
    static void hide();
    // The parts a long operation drives while it runs; each does nothing without a handler.
    static void setStatus(const QString &text);
    static void showSpeed(bool shown);
    static void runTimer(bool running);
    static void setHandlers(Handlers handlers);
};
