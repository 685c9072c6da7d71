#pragma once

#include "core/tasks/task_archive.h"

// What a task file must hold to be resumed safely: absolute folders, paths
// that stay inside them, lists of one length, known kinds. A file written
// by this program always passes; a damaged or crafted one is refused
// rather than allowed to write outside the task's own folders.
namespace TaskResume {

bool isSound(const TaskContents& task);

} // namespace TaskResume
