#include "platform/Archive.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000;
constexpr std::uint32_t kMaxIndex = 0x7FFFFFFE;
constexpr std::uint32_t kLongDateMarker = 0x8000000A;

bool allowed(std::initializer_list<std::string_view> classes, std::string_view name) {
    return classes.size() == 0 || std::find(classes.begin(), classes.end(), name) != classes.end();
}

std::string quoted(std::string_view name) {
    // Class names from a damaged file may hold anything; keep the message printable.
    std::string out = "'";
    for (const char c : name.substr(0, 64))
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (name.size() > 64)
        out += "...";
    return out + "'";
}

// Counts one level of nesting for the lifetime of a record's Serialize call.
class DepthGuard {
public:
    explicit DepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& m_depth;
};

} // namespace

void ArchiveClassRegistry::add(std::string name, Factory create) {
    Entry entry{name, std::move(create)};
    m_entries.insert_or_assign(std::move(name), std::move(entry));
}

const ArchiveClassRegistry::Entry* ArchiveClassRegistry::find(std::string_view name) const {
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}

Archive::Archive() : m_storing(true) {}

Archive::Archive(std::vector<std::uint8_t> bytes, const ArchiveClassRegistry& registry)
    : m_storing(false), m_bytes(std::move(bytes)), m_registry(&registry) {
    m_slots.emplace_back(); // index 0: the null object
}

Archive::Archive(std::string_view bytes, const ArchiveClassRegistry& registry)
    : Archive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), registry) {}

Archive::~Archive() = default;

std::vector<std::uint8_t> Archive::takeBuffer() {
    requireStoring();
    return std::exchange(m_bytes, {});
}

void Archive::requireStoring() const {
    if (!m_storing)
        throw std::logic_error("archive: write on a loading archive");
}

void Archive::requireLoading() const {
    if (m_storing)
        throw std::logic_error("archive: read on a storing archive");
}

void Archive::need(std::size_t count) const {
    requireLoading();
    if (count > remaining())
        throw ArchiveError("unexpected end of data at offset " + std::to_string(m_pos) + " (" + std::to_string(count) +
                           " bytes needed, " + std::to_string(remaining()) + " left)");
}

// --- numbers ---

void Archive::writeSized(std::uint64_t v, std::size_t size) {
    requireStoring();
    for (std::size_t i = 0; i < size; ++i)
        m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t Archive::readSized(std::size_t size) {
    need(size);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i)
        v |= std::uint64_t(m_bytes[m_pos + i]) << (8 * i);
    m_pos += size;
    return v;
}

void Archive::writeUInt8(std::uint8_t v) {
    writeSized(v, 1);
}
void Archive::writeUInt16(std::uint16_t v) {
    writeSized(v, 2);
}
void Archive::writeUInt32(std::uint32_t v) {
    writeSized(v, 4);
}
void Archive::writeUInt64(std::uint64_t v) {
    writeSized(v, 8);
}
void Archive::writeDouble(double v) {
    writeSized(std::bit_cast<std::uint64_t>(v), 8);
}

void Archive::writeBytes(std::string_view bytes) {
    requireStoring();
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

std::uint8_t Archive::readUInt8() {
    return static_cast<std::uint8_t>(readSized(1));
}
std::uint16_t Archive::readUInt16() {
    return static_cast<std::uint16_t>(readSized(2));
}
std::uint32_t Archive::readUInt32() {
    return static_cast<std::uint32_t>(readSized(4));
}
std::uint64_t Archive::readUInt64() {
    return readSized(8);
}
double Archive::readDouble() {
    return std::bit_cast<double>(readSized(8));
}

std::string Archive::readBytes(std::size_t count) {
    need(count);
    std::string out(reinterpret_cast<const char*>(m_bytes.data() + m_pos), count);
    m_pos += count;
    return out;
}

// --- counts ---

void Archive::writeCount(std::size_t count) {
    if (count > 0xFFFFFFFFu)
        throw ArchiveError("too many elements to store: " + std::to_string(count));
    if (count < 0xFFFF) {
        writeUInt16(static_cast<std::uint16_t>(count));
    } else {
        writeUInt16(0xFFFF);
        writeUInt32(static_cast<std::uint32_t>(count));
    }
}

std::uint32_t Archive::readCount(std::size_t minBytesEach) {
    std::uint32_t count = readUInt16();
    if (count == 0xFFFF)
        count = readUInt32();
    if (minBytesEach > 0 && count > remaining() / minBytesEach)
        throw ArchiveError("element count " + std::to_string(count) + " at offset " + std::to_string(m_pos) +
                           " exceeds the data left");
    return count;
}

// --- strings ---

void Archive::writeLength(std::size_t length) {
    if (length < 0xFF) {
        writeUInt8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        writeUInt8(0xFF);
        writeUInt16(static_cast<std::uint16_t>(length));
    } else if (length < 0xFFFFFFFFu) {
        writeUInt8(0xFF);
        writeUInt16(0xFFFF);
        writeUInt32(static_cast<std::uint32_t>(length));
    } else {
        throw ArchiveError("string too long to store: " + std::to_string(length) + " bytes");
    }
}

void Archive::writeByteString(std::string_view bytes) {
    writeLength(bytes.size());
    writeBytes(bytes);
}

void Archive::writeString(std::string_view text) {
    if (textcodec::isAscii(text)) {
        writeByteString(text);
        return;
    }
    const std::string wide = textcodec::utf8ToUtf16leBytes(text);
    writeUInt8(0xFF);
    writeUInt16(0xFFFE);
    writeLength(wide.size() / 2);
    writeBytes(wide);
}

std::size_t Archive::readLength(bool wideMarkerAllowed, bool& wide) {
    const std::uint8_t byte = readUInt8();
    if (byte < 0xFF)
        return byte;
    const std::uint16_t word = readUInt16();
    if (wideMarkerAllowed && word == 0xFFFE) {
        // 16-bit text; its length in units follows with the same prefix scheme.
        wide = true;
        return readLength(false, wide);
    }
    if (word < 0xFFFF)
        return word;
    return readUInt32();
}

std::string Archive::readString() {
    bool wide = false;
    const std::size_t length = readLength(true, wide);
    if (!wide)
        return textcodec::decodeFileText(readBytes(length));
    return textcodec::utf16leBytesToUtf8(readBytes(length * 2));
}

// --- old-style date ---

void Archive::writeOldDate(std::int64_t seconds) {
    if (seconds >= INT32_MIN && seconds <= INT32_MAX && static_cast<std::uint32_t>(seconds) != kLongDateMarker) {
        writeInt32(static_cast<std::int32_t>(seconds));
    } else {
        writeUInt32(kLongDateMarker);
        writeInt64(seconds);
    }
}

std::int64_t Archive::readOldDate() {
    const std::uint32_t v = readUInt32();
    if (v == kLongDateMarker)
        return readInt64();
    return static_cast<std::int32_t>(v);
}

// --- objects ---

void Archive::enterNested() {
    if (m_depth >= m_maxDepth)
        throw ArchiveError("objects nested deeper than " + std::to_string(m_maxDepth) + " levels");
}

std::uint32_t Archive::nextIndex() {
    if (m_nextIndex > kMaxIndex)
        throw ArchiveError("too many objects to store");
    return m_nextIndex++;
}

void Archive::writeObject(ArchiveObject* object) {
    requireStoring();
    if (!object) {
        writeUInt16(kNullTag);
        return;
    }
    if (const auto it = m_storedObjects.find(object); it != m_storedObjects.end()) {
        if (it->second < kBigObjectTag) {
            writeUInt16(static_cast<std::uint16_t>(it->second));
        } else {
            writeUInt16(kBigObjectTag);
            writeUInt32(it->second);
        }
        return;
    }
    enterNested();
    const std::string_view name = object->archiveClassName();
    if (const auto it = m_storedClasses.find(name); it != m_storedClasses.end()) {
        if (it->second < kBigObjectTag) {
            writeUInt16(static_cast<std::uint16_t>(kClassTag | it->second));
        } else {
            writeUInt16(kBigObjectTag);
            writeUInt32(kBigClassTag | it->second);
        }
    } else {
        if (name.size() > 0xFFFF)
            throw ArchiveError("class name too long");
        writeUInt16(kNewClassTag);
        writeUInt16(object->archiveSchema());
        writeUInt16(static_cast<std::uint16_t>(name.size()));
        writeBytes(name);
        m_storedClasses.emplace(std::string(name), nextIndex());
    }
    m_storedObjects.emplace(object, nextIndex());
    DepthGuard depth(m_depth);
    object->Serialize(*this);
}

ArchiveObject* Archive::readObject(std::initializer_list<std::string_view> allowedClasses) {
    requireLoading();
    const std::size_t fieldOffset = m_pos;
    const auto fail = [&](const std::string& what) -> ArchiveError {
        return ArchiveError(what + " (object field at offset " + std::to_string(fieldOffset) + ")");
    };

    const std::uint16_t tag = readUInt16();
    std::size_t classIndex = 0;
    if (tag == kNewClassTag) {
        enterNested();
        const std::uint16_t schema = readUInt16();
        const std::uint16_t nameLength = readUInt16();
        const std::string name = readBytes(nameLength);
        const ArchiveClassRegistry::Entry* cls = m_registry->find(name);
        if (!cls)
            throw fail("unknown class " + quoted(name));
        if (!allowed(allowedClasses, cls->name))
            throw fail("class " + quoted(name) + " not expected here");
        if (m_slots.size() > kMaxIndex)
            throw fail("too many objects");
        m_slots.push_back(Slot{cls, schema, nullptr});
        classIndex = m_slots.size() - 1;
    } else {
        std::uint32_t value;
        if (tag == kBigObjectTag)
            value = readUInt32();
        else
            value = (tag & kClassTag) ? (kBigClassTag | (tag & ~kClassTag)) : tag;
        const std::uint32_t index = value & ~kBigClassTag;
        if (!(value & kBigClassTag)) {
            // A null object or a back-reference.
            if (index == 0)
                return nullptr;
            if (index >= m_slots.size() || !m_slots[index].object)
                throw fail("reference to object index " + std::to_string(index) + " that names no object");
            const Slot& slot = m_slots[index];
            if (!allowed(allowedClasses, slot.cls->name))
                throw fail("reference to an object of class " + quoted(slot.cls->name) + " not expected here");
            return slot.object;
        }
        if (index == 0 || index >= m_slots.size() || m_slots[index].object)
            throw fail("class index " + std::to_string(index) + " that names no class");
        enterNested();
        if (!allowed(allowedClasses, m_slots[index].cls->name))
            throw fail("class " + quoted(m_slots[index].cls->name) + " not expected here");
        classIndex = index;
    }

    const Slot cls = m_slots[classIndex];
    std::unique_ptr<ArchiveObject> created = cls.cls->create();
    if (!created)
        throw fail("class " + quoted(cls.cls->name) + " could not be created");
    if (m_slots.size() > kMaxIndex)
        throw fail("too many objects");
    ArchiveObject* object = created.get();
    m_owned.emplace(object, std::move(created));
    m_slots.push_back(Slot{cls.cls, cls.schema, object});

    DepthGuard depth(m_depth);
    m_schemaStack.push_back(cls.schema);
    try {
        object->Serialize(*this);
    } catch (...) {
        m_schemaStack.pop_back();
        throw;
    }
    m_schemaStack.pop_back();
    return object;
}

std::unique_ptr<ArchiveObject> Archive::adopt(ArchiveObject* object) {
    if (!object)
        return nullptr;
    const auto it = m_owned.find(object);
    if (it == m_owned.end())
        throw ArchiveError("object of class " + quoted(object->archiveClassName()) +
                           " stands at more than one owning place");
    std::unique_ptr<ArchiveObject> owned = std::move(it->second);
    m_owned.erase(it);
    return owned;
}
