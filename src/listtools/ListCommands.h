#pragma once

#include <QString>
#include <functional>
#include <optional>

class QItemSelectionModel;

namespace quenlit {

class DownloadListModel;
class MessageSink;
class Shell;

// What the guards of the list commands look at.
struct ListActivity {
    bool schedulingOn = false;      // Timer_Down
    bool transferExecuting = false; // Inet1 still executing
    int loadedInstances = 0;        // downloader components on the window
    bool busy = false;              // the busy flag

    // Nothing is scheduled or transferring: the list may be reordered or cut.
    bool idle() const { return !schedulingOn && !transferExecuting && loadedInstances <= 1; }
    // Downloads are scheduled or an engine works.
    bool running() const { return schedulingOn || busy; }
};

// The input boxes and file dialogs the commands ask from.
class ListPrompts {
public:
    virtual ~ListPrompts() = default;
    // An input box; nothing when it was cancelled.
    virtual std::optional<QString> askText(const QString& prompt, const QString& title) = 0;
    // A file-open dialog; empty when cancelled.
    virtual QString askOpenFile(const QString& filter) = 0;
    // A save-file dialog that asks before replacing a file; empty when cancelled.
    virtual QString askSaveFile(const QString& filter) = 0;
};

// Everything the list commands work with.
struct ListToolsEnvironment {
    DownloadListModel& list;
    // The view's selection over the list; its current index is the selected row.
    QItemSelectionModel& selection;
    MessageSink& messages;
    ListPrompts& prompts;
    Shell& shell;
    std::function<ListActivity()> activity;
};

// Opens the file with the program the desktop associates with it, or says it is missing.
void OpenWithAssociatedProgram(Shell& shell, MessageSink& messages, const QString& path);
// Shows the file selected in its folder; false when it is missing or nothing could show it.
bool LocateFileInFolder(Shell& shell, const QString& path);

// The commands of the menu "列表操作(&D)" and of the tools menu that work on row states.
class ListCommands {
public:
    explicit ListCommands(ListToolsEnvironment environment);

    void selectAll();
    void selectNone();
    void shuffle();

    void requeueSelected();
    void requeueFailed();
    void requeueWeb();
    void requeueFailedAndWeb();
    void requeueSmallerThan();

    void removeSelected();
    void removeFinished();
    void removeUnfinished();
    void removeFailed();
    void clearAll();

    void deleteWebFiles();
    void deleteFailedFiles();
    void deleteSelectedFiles();
    void deleteSmallerThan();

    void cancelSelected();
    // A click on a column header; the order flips on every click, the first one descends.
    void sortByColumn(int column);
    // A double-click on a row.
    void activateRow(int position);

    void correctFileTypes();
    void detectFileType();
    void checkFilesExist();

    // The selected (focused) row, 0 when there is none.
    int currentRow() const;
    bool rowSelected(int position) const;

private:
    // Shows the refusal and returns false while something runs.
    bool idleChecked();
    void removeWhere(const std::function<bool(int position)>& picked);

    ListToolsEnvironment m_env;
    bool m_descending = false;
};

} // namespace quenlit
