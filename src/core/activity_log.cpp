#include "core/activity_log.h"

void ActivityLog::append(const QString& line)
{
    lines_.append(line);
    emit lineAppended(line);
}

void ActivityLog::clear()
{
    lines_.clear();
    emit cleared();
}
