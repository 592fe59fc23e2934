#include "UndoHistory.h"

namespace {

constexpr int kUndoLimit = 50;

} // namespace

void UndoHistory::record(const Snapshot &snapshot)
{
    undoStack.append(snapshot);
    if (undoStack.size() > kUndoLimit)
        undoStack.removeFirst();
    redoStack.clear();
}

std::optional<UndoHistory::Snapshot> UndoHistory::undo(const Snapshot &current)
{
    if (undoStack.isEmpty())
        return std::nullopt;
    redoStack.append(current);
    return undoStack.takeLast();
}

std::optional<UndoHistory::Snapshot> UndoHistory::redo(const Snapshot &current)
{
    if (redoStack.isEmpty())
        return std::nullopt;
    undoStack.append(current);
    return redoStack.takeLast();
}

void UndoHistory::clear()
{
    undoStack.clear();
    redoStack.clear();
}
