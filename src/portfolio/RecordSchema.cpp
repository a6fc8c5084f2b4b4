#include "portfolio/RecordSchema.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The open scopes, innermost last. Archives on different threads may read at the same time.
struct OpenScopes {
    std::mutex mutex;
    std::vector<std::pair<const Archive*, int>> scopes;
};

OpenScopes& openScopes() {
    static OpenScopes scopes;
    return scopes;
}

} // namespace

RecordSchemaScope::RecordSchemaScope(const Archive& ar, int schema) : m_ar(&ar) {
    OpenScopes& open = openScopes();
    std::lock_guard lock(open.mutex);
    open.scopes.emplace_back(&ar, schema);
}

RecordSchemaScope::~RecordSchemaScope() {
    OpenScopes& open = openScopes();
    std::lock_guard lock(open.mutex);
    // The innermost scope of this archive is this one.
    const auto it = std::find_if(open.scopes.rbegin(), open.scopes.rend(),
                                 [this](const auto& entry) { return entry.first == m_ar; });
    if (it != open.scopes.rend())
        open.scopes.erase(std::next(it).base());
}

int recordLoadSchema(const Archive& ar) {
    OpenScopes& open = openScopes();
    std::lock_guard lock(open.mutex);
    const auto it =
        std::find_if(open.scopes.rbegin(), open.scopes.rend(), [&ar](const auto& entry) { return entry.first == &ar; });
    return it != open.scopes.rend() ? it->second : kCurrentRecordSchema;
}

void writeRecordDate(Archive& ar, const OleDate& date) {
    ar.writeInt32(static_cast<std::int32_t>(date.m_status));
    ar.writeDouble(date.m_dt);
}

OleDate readRecordDate(Archive& ar) {
    OleDate date;
    // The status is kept as stored, even outside 0 to 2: a record is read as it was written. A
    // valid date outside the supported years (or not a number) is invalid: no calculation can
    // take it.
    date.m_status = static_cast<OleDate::DateTimeStatus>(ar.readInt32());
    date.m_dt = ar.readDouble();
    if (date.m_status == OleDate::valid && !OleDate::inRange(date.m_dt))
        date.m_status = OleDate::invalid;
    return date;
}

OleDate readOldStyleDate(Archive& ar) {
    const std::int64_t seconds = ar.readOldDate();
    if constexpr (sizeof(std::time_t) < sizeof(std::int64_t)) {
        if (seconds < std::numeric_limits<std::time_t>::min() || seconds > std::numeric_limits<std::time_t>::max()) {
            OleDate invalid;
            invalid.m_status = OleDate::invalid;
            return invalid;
        }
    }
    return OleDate::fromTimeT(static_cast<std::time_t>(seconds));
}
