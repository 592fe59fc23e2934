#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <optional>

// A value copy of one tile, as kept in the undo history.
struct PageData
{
    QString filePath;
    int pageNumber = 0;
    int totalPages = 0;
    int rotation = 0;
    bool isSelected = false;
    QPixmap thumbnail;
};

// The states of the workspace before the edits that can be undone, and after
// those that can be redone; the newest last, at most 50 of each.
class UndoHistory
{
public:
    using Snapshot = QList<PageData>;

    // Records the state before an edit; a new edit makes redo impossible.
    void record(const Snapshot &snapshot);
    // The state to restore, when there is one; `current` can then be redone.
    std::optional<Snapshot> undo(const Snapshot &current);
    // The state to restore, when there is one; `current` can then be undone.
    std::optional<Snapshot> redo(const Snapshot &current);
    void clear();
    bool canUndo() const { return !undoStack.isEmpty(); }
    bool canRedo() const { return !redoStack.isEmpty(); }

private:
    QList<Snapshot> undoStack;
    QList<Snapshot> redoStack;
};
