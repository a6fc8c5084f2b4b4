#include "platform/Settings.h"

#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// One lock for every QSettings use of the process: a call creates its own
// QSettings, works, syncs and destroys it under this lock.
std::mutex& settingsLock() {
    static std::mutex lock;
    return lock;
}

// A section or value name as one level of a QSettings key: '%', '/' and '\'
// are written as %25, %2F and %5C; the empty name as a lone '%'.
QString escapeName(std::string_view name) {
    if (name.empty())
        return QStringLiteral("%");
    std::string escaped;
    escaped.reserve(name.size());
    for (const char c : name) {
        switch (c) {
        case '%':
            escaped += "%25";
            break;
        case '/':
            escaped += "%2F";
            break;
        case '\\':
            escaped += "%5C";
            break;
        default:
            escaped += c;
        }
    }
    return QString::fromUtf8(escaped.data(), static_cast<qsizetype>(escaped.size()));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string unescapeName(const QString& level) {
    const QByteArray bytes = level.toUtf8();
    if (bytes == "%")
        return {};
    std::string name;
    name.reserve(static_cast<std::size_t>(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && hexValue(bytes[i + 1]) >= 0 && hexValue(bytes[i + 2]) >= 0) {
            name += static_cast<char>(hexValue(bytes[i + 1]) * 16 + hexValue(bytes[i + 2]));
            i += 2;
        } else {
            name += bytes[i];
        }
    }
    return name;
}

QString groupPath(const SettingsKey& key) {
    QStringList levels;
    for (const auto& section : key.sections())
        levels << escapeName(section);
    return levels.join(QLatin1Char('/'));
}

QString valuePath(const SettingsKey& key, std::string_view name) {
    const QString group = groupPath(key);
    return group.isEmpty() ? escapeName(name) : group + QLatin1Char('/') + escapeName(name);
}

// The registry's order: without regard to ASCII letter case, ties by bytes.
bool registryOrder(const std::string& a, const std::string& b) {
    const auto lower = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (lower(a[i]) != lower(b[i]))
            return lower(a[i]) < lower(b[i]);
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> sortedNames(const QStringList& levels) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(levels.size()));
    for (const auto& level : levels)
        names.push_back(unescapeName(level));
    std::sort(names.begin(), names.end(), registryOrder);
    return names;
}

// Every value below `path` (keys relative to it).
std::vector<std::pair<QString, QVariant>> valuesBelow(QSettings& s, const QString& path) {
    std::vector<std::pair<QString, QVariant>> values;
    s.beginGroup(path);
    const QStringList keys = s.allKeys();
    for (const auto& k : keys)
        values.emplace_back(k, s.value(k));
    s.endGroup();
    return values;
}

bool synced(QSettings& s) {
    s.sync();
    return s.status() == QSettings::NoError;
}

QVariant intValue(int value) {
    return value;
}

QVariant stringValue(std::string_view value) {
    if (textcodec::isValidUtf8(value))
        return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    return QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

QVariant binaryValue(std::span<const std::uint8_t> value) {
    return QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size()));
}

// Whether writing `value` would leave the stored value as it is. An INI file gives an integer
// back as its decimal text.
bool sameValue(const QVariant& stored, const QVariant& value) {
    if (!stored.isValid())
        return false;
    if (value.typeId() == QMetaType::Int)
        return stored.typeId() != QMetaType::QByteArray && stored.toString() == value.toString();
    return stored.typeId() == value.typeId() && stored == value;
}

using ValueMap = std::map<QString, QVariant>;

ValueMap allValues(QSettings& s) {
    ValueMap values;
    for (const QString& key : s.allKeys())
        values.emplace(key, s.value(key));
    return values;
}

// The batch open on this thread (SettingsBatch): the file's values as they were when it began and
// as they stand now, by their QSettings keys.
struct PendingBatch {
    std::filesystem::path file;
    ValueMap before;
    ValueMap values;
};
thread_local std::unique_ptr<PendingBatch> t_batch;

PendingBatch* batchOf(const SettingsStore& store) {
    return t_batch && t_batch->file == store.file() ? t_batch.get() : nullptr;
}

const QVariant* batchValue(const PendingBatch& batch, const QString& path) {
    const auto it = batch.values.find(path);
    return it == batch.values.end() ? nullptr : &it->second;
}

// The keys of the batch below `group` ("" for the root), relative to it.
QStringList batchKeysBelow(const PendingBatch& batch, const QString& group) {
    QStringList keys;
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');
    for (auto it = batch.values.lower_bound(prefix); it != batch.values.end() && it->first.startsWith(prefix); ++it)
        keys << it->first.mid(prefix.size());
    return keys;
}

} // namespace

// ---------------------------------------------------------------- SettingsKey

SettingsKey::SettingsKey(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            m_sections.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
}

SettingsKey SettingsKey::child(std::string_view name) const {
    SettingsKey key = *this;
    key.m_sections.emplace_back(name);
    return key;
}

// ---------------------------------------------------------------- SettingsStore

namespace {

// Runs `work` on a QSettings of the store's file, under the process-wide lock.
template <class Work> auto withSettings(const SettingsStore& store, Work&& work) {
    std::lock_guard lock(settingsLock());
#ifdef _WIN32
    if (store.file().empty()) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                    QStringLiteral("Corvana"));
        return work(s);
    }
#endif
    QSettings s(paths::toQString(store.file()), QSettings::IniFormat);
    return work(s);
}

} // namespace

namespace {

// Writes `value` at `path`: into the open batch, else to the file when it changes the stored value.
bool writeValue(const SettingsStore& store, const QString& path, const QVariant& value) {
    if (PendingBatch* batch = batchOf(store)) {
        batch->values[path] = value;
        return true;
    }
    return withSettings(store, [&](QSettings& s) {
        if (s.contains(path) && sameValue(s.value(path), value))
            return true;
        s.setValue(path, value);
        return synced(s);
    });
}

// The value at `path` as the batch or the file holds it (invalid when missing).
QVariant readValue(const SettingsStore& store, const QString& path) {
    if (const PendingBatch* batch = batchOf(store)) {
        const QVariant* value = batchValue(*batch, path);
        return value ? *value : QVariant();
    }
    return withSettings(store, [&](QSettings& s) { return s.value(path); });
}

} // namespace

SettingsStore::SettingsStore(std::filesystem::path file) : m_file(std::move(file)) {}

std::filesystem::path SettingsStore::file() const {
    if (!m_file.empty())
        return m_file;
#ifdef _WIN32
    return {};
#else
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return paths::fromQString(config) / "Velmora" / "Corvana.conf";
#endif
}

int SettingsStore::readInt(const SettingsKey& key, std::string_view name, int defaultValue) const {
    const QVariant v = readValue(*this, valuePath(key, name));
    if (!v.isValid() || v.typeId() == QMetaType::QByteArray)
        return defaultValue;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : defaultValue;
}

std::string SettingsStore::readString(const SettingsKey& key, std::string_view name,
                                      std::string_view defaultValue) const {
    const QVariant v = readValue(*this, valuePath(key, name));
    if (!v.isValid())
        return std::string(defaultValue);
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray().toStdString();
    return v.toString().toStdString();
}

std::optional<std::vector<std::uint8_t>> SettingsStore::readBinary(const SettingsKey& key,
                                                                   std::string_view name) const {
    const QVariant v = readValue(*this, valuePath(key, name));
    if (v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray bytes = v.toByteArray();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool SettingsStore::hasValue(const SettingsKey& key, std::string_view name) const {
    if (const PendingBatch* batch = batchOf(*this))
        return batchValue(*batch, valuePath(key, name)) != nullptr;
    return withSettings(*this, [&](QSettings& s) { return s.contains(valuePath(key, name)); });
}

bool SettingsStore::writeInt(const SettingsKey& key, std::string_view name, int value) {
    return writeValue(*this, valuePath(key, name), intValue(value));
}

bool SettingsStore::writeString(const SettingsKey& key, std::string_view name, std::string_view value) {
    return writeValue(*this, valuePath(key, name), stringValue(value));
}

bool SettingsStore::writeBinary(const SettingsKey& key, std::string_view name, std::span<const std::uint8_t> value) {
    return writeValue(*this, valuePath(key, name), binaryValue(value));
}

std::vector<std::string> SettingsStore::subKeys(const SettingsKey& key) const {
    if (const PendingBatch* batch = batchOf(*this)) {
        QStringList groups;
        for (const QString& relative : batchKeysBelow(*batch, groupPath(key))) {
            const qsizetype slash = relative.indexOf(QLatin1Char('/'));
            if (slash >= 0 && !groups.contains(relative.left(slash)))
                groups << relative.left(slash);
        }
        return sortedNames(groups);
    }
    return withSettings(*this, [&](QSettings& s) {
        s.beginGroup(groupPath(key));
        return sortedNames(s.childGroups());
    });
}

std::vector<std::string> SettingsStore::valueNames(const SettingsKey& key) const {
    if (const PendingBatch* batch = batchOf(*this)) {
        QStringList names;
        for (const QString& relative : batchKeysBelow(*batch, groupPath(key)))
            if (!relative.contains(QLatin1Char('/')))
                names << relative;
        return sortedNames(names);
    }
    return withSettings(*this, [&](QSettings& s) {
        s.beginGroup(groupPath(key));
        return sortedNames(s.childKeys());
    });
}

bool SettingsStore::keyExists(const SettingsKey& key) const {
    if (key.isRoot())
        return true;
    if (const PendingBatch* batch = batchOf(*this))
        return !batchKeysBelow(*batch, groupPath(key)).isEmpty();
    return withSettings(*this, [&](QSettings& s) {
        s.beginGroup(groupPath(key));
        return !s.allKeys().isEmpty();
    });
}

bool SettingsStore::deleteValue(const SettingsKey& key, std::string_view name) {
    const QString path = valuePath(key, name);
    if (PendingBatch* batch = batchOf(*this))
        return batch->values.erase(path) > 0; // a sub-key of the same name stays
    return withSettings(*this, [&](QSettings& s) {
        if (!s.contains(path))
            return false;
        // QSettings removes a key together with everything below it: keep the
        // sub-key of the same name.
        const auto below = valuesBelow(s, path);
        s.remove(path);
        for (const auto& [relative, value] : below)
            s.setValue(path + QLatin1Char('/') + relative, value);
        return synced(s);
    });
}

bool SettingsStore::deleteKey(const SettingsKey& key) {
    if (key.isRoot())
        return false;
    const QString path = groupPath(key);
    if (PendingBatch* batch = batchOf(*this)) {
        // Everything below the key goes; a value of the same name in the parent stays.
        const QString prefix = path + QLatin1Char('/');
        auto it = batch->values.lower_bound(prefix);
        const auto first = it;
        while (it != batch->values.end() && it->first.startsWith(prefix))
            ++it;
        if (first == it)
            return false;
        batch->values.erase(first, it);
        return true;
    }
    return withSettings(*this, [&](QSettings& s) {
        if (valuesBelow(s, path).empty())
            return false;
        // Keep a value of the same name in the parent key.
        const bool hadValue = s.contains(path);
        const QVariant value = hadValue ? s.value(path) : QVariant();
        s.remove(path);
        if (hadValue)
            s.setValue(path, value);
        return synced(s);
    });
}

// ---------------------------------------------------------------- SettingsBatch

SettingsBatch::SettingsBatch(const SettingsStore& store) {
    if (t_batch) {
        m_open = batchOf(store) != nullptr; // joins the open batch of the same file
        return;
    }
    auto batch = std::make_unique<PendingBatch>();
    batch->file = store.file();
    batch->before = withSettings(store, [](QSettings& s) { return allValues(s); });
    batch->values = batch->before;
    t_batch = std::move(batch);
    m_outermost = true;
    m_open = true;
}

SettingsBatch::~SettingsBatch() {
    commit();
}

bool SettingsBatch::commit() {
    if (!m_open)
        return true;
    m_open = false;
    if (!m_outermost)
        return true;
    const std::unique_ptr<PendingBatch> batch = std::move(t_batch);
    std::vector<QString> removed;
    for (const auto& [path, value] : batch->before)
        if (!batch->values.count(path))
            removed.push_back(path);
    const auto underRemoved = [&removed](const QString& path) {
        return std::any_of(removed.begin(), removed.end(),
                           [&path](const QString& r) { return path.startsWith(r + QLatin1Char('/')); });
    };
    std::vector<std::pair<QString, QVariant>> written;
    for (const auto& [path, value] : batch->values) {
        const auto it = batch->before.find(path);
        // QSettings removes a key with everything below it: what stays below a removed value is
        // written again.
        if (it == batch->before.end() || !sameValue(it->second, value) || underRemoved(path))
            written.emplace_back(path, value);
    }
    if (removed.empty() && written.empty())
        return true; // nothing changed: the file stays as it is
    return withSettings(SettingsStore(batch->file), [&](QSettings& s) {
        for (const QString& path : removed)
            s.remove(path);
        for (const auto& [path, value] : written)
            s.setValue(path, value);
        return synced(s);
    });
}

SettingsStore& settingsStore() {
    static SettingsStore store;
    return store;
}
