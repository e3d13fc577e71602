#include "core/activity_log.h"

void ActivityLog::append(const QString& line, Content content)
{
    lines_.append(line);
    holdsKeys_ = holdsKeys_ || content == Content::Key;
    emit lineAppended(line);
}

void ActivityLog::clear()
{
    lines_.clear();
    holdsKeys_ = false;
    emit cleared();
}
