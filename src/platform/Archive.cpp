#include "platform/Archive.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <limits>
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
    return classes.size() == 0 ||
           std::any_of(classes.begin(), classes.end(), [name](std::string_view c) { return c == name; });
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

Archive::Archive() : m_storing(true), m_outLimit(std::numeric_limits<std::size_t>::max()) {}

Archive::Archive(Sink sink, std::size_t chunkSize)
    : m_storing(true), m_outLimit(std::max<std::size_t>(chunkSize, 1)), m_sink(std::move(sink)) {}

Archive::Archive(std::vector<std::uint8_t> bytes, const ArchiveClassRegistry& registry)
    : m_storing(false), m_outLimit(0), m_input(std::move(bytes)), m_in(m_input.data()), m_inSize(m_input.size()),
      m_windowEnd(m_inSize), m_registry(&registry) {
    m_slots.push_back(std::uint32_t{kNoSlot} << kSlotKindShift); // index 0: the null object
}

Archive::Archive(Source source, std::uint64_t size, const ArchiveClassRegistry& registry, std::size_t chunkSize)
    : m_storing(false), m_outLimit(0), m_source(std::move(source)), m_registry(&registry) {
    if (size > std::numeric_limits<std::size_t>::max())
        throw ArchiveError("the data is too large: " + std::to_string(size) + " bytes");
    m_inSize = static_cast<std::size_t>(size);
    m_chunkSize = std::min<std::size_t>(std::max<std::size_t>(chunkSize, 16), m_inSize);
    if (m_chunkSize > 0)
        m_chunk = std::make_unique_for_overwrite<std::uint8_t[]>(m_chunkSize);
    m_in = m_chunk.get();
    m_slots.push_back(std::uint32_t{kNoSlot} << kSlotKindShift); // index 0: the null object
}

Archive::Archive(std::string_view bytes, const ArchiveClassRegistry& registry)
    : Archive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), registry) {}

Archive::Archive(InPlace, std::string_view bytes, const ArchiveClassRegistry& registry)
    : m_storing(false), m_outLimit(0), m_in(reinterpret_cast<const std::uint8_t*>(bytes.data())),
      m_inSize(bytes.size()), m_windowEnd(m_inSize), m_registry(&registry) {
    m_slots.push_back(std::uint32_t{kNoSlot} << kSlotKindShift); // index 0: the null object
}

Archive::~Archive() = default;

std::vector<std::uint8_t> Archive::takeBuffer() {
    requireStoring();
    return std::exchange(m_bytes, {});
}

void Archive::flush() {
    requireStoring();
    if (m_sink && !m_bytes.empty()) {
        m_sink(m_bytes.data(), m_bytes.size());
        m_bytes.clear(); // keeps the capacity for the next chunk
    }
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
        notEnoughData(count);
}

void Archive::notEnoughData(std::size_t count) const {
    requireLoading();
    throw ArchiveError("unexpected end of data at offset " + std::to_string(m_pos) + " (" + std::to_string(count) +
                       " bytes needed, " + std::to_string(remaining()) + " left)");
}

void Archive::takeAcrossChunks(std::uint8_t* out, std::size_t size) {
    if (size > m_inSize - m_pos || !m_source)
        notEnoughData(size);
    while (size > 0) {
        if (m_pos == m_windowEnd)
            nextChunk();
        const std::size_t part = std::min(size, m_windowEnd - m_pos);
        std::memcpy(out, m_in + (m_pos - m_windowStart), part);
        m_pos += part;
        out += part;
        size -= part;
    }
}

void Archive::nextChunk() {
    const std::size_t want = std::min(m_chunkSize, m_inSize - m_windowEnd);
    std::uint8_t* buffer = m_chunk.get();
    std::size_t got = 0;
    while (got < want) {
        const std::size_t n = m_source(buffer + got, want - got);
        if (n == 0)
            break;
        got += std::min(n, want - got);
    }
    if (got == 0)
        throw ArchiveError("unexpected end of data at offset " + std::to_string(m_pos) + ": the input ended " +
                           std::to_string(m_inSize - m_windowEnd) + " bytes early");
    m_in = buffer;
    m_windowStart = m_windowEnd;
    m_windowEnd += got;
}

void Archive::beforeLimit() {
    requireStoring();
    // A single write longer than a chunk makes one longer chunk.
    flush();
}

// --- numbers ---

void Archive::writeBytes(std::string_view bytes) {
    requireStoring();
    if (!bytes.empty())
        put(bytes.data(), bytes.size());
}

std::string Archive::readBytes(std::size_t count) {
    need(count);
    if (count == 0)
        return {};
    if (count <= m_windowEnd - m_pos) {
        std::string out(reinterpret_cast<const char*>(m_in + (m_pos - m_windowStart)), count);
        m_pos += count;
        return out;
    }
    std::string out(count, '\0');
    takeAcrossChunks(reinterpret_cast<std::uint8_t*>(out.data()), count);
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
    writeObject(object, true);
}

void Archive::writeUnsharedObject(ArchiveObject* object) {
    writeObject(object, false);
}

void Archive::writeObject(ArchiveObject* object, bool shared) {
    requireStoring();
    if (!object) {
        writeUInt16(kNullTag);
        return;
    }
    if (shared) {
        if (const auto it = m_storedObjects.find(object); it != m_storedObjects.end()) {
            if (it->second < kBigObjectTag) {
                writeUInt16(static_cast<std::uint16_t>(it->second));
            } else {
                writeUInt16(kBigObjectTag);
                writeUInt32(it->second);
            }
            return;
        }
    }
    enterNested();
    const std::string_view name = object->archiveClassName();
    std::uint32_t classIndex = 0;
    if (m_lastClassIndex != 0 && name == m_lastClassName) {
        classIndex = m_lastClassIndex;
    } else if (const auto it = m_storedClasses.find(name); it != m_storedClasses.end()) {
        classIndex = it->second;
        m_lastClassName.assign(name);
        m_lastClassIndex = classIndex;
    }
    if (classIndex != 0) {
        if (classIndex < kBigObjectTag) {
            writeUInt16(static_cast<std::uint16_t>(kClassTag | classIndex));
        } else {
            writeUInt16(kBigObjectTag);
            writeUInt32(kBigClassTag | classIndex);
        }
    } else {
        if (name.size() > 0xFFFF)
            throw ArchiveError("class name too long");
        writeUInt16(kNewClassTag);
        writeUInt16(object->archiveSchema());
        writeUInt16(static_cast<std::uint16_t>(name.size()));
        writeBytes(name);
        classIndex = nextIndex();
        m_storedClasses.emplace(std::string(name), classIndex);
        m_lastClassName.assign(name);
        m_lastClassIndex = classIndex;
    }
    const std::uint32_t index = nextIndex();
    if (shared)
        m_storedObjects.emplace(object, index);
    DepthGuard depth(m_depth);
    object->Serialize(*this);
}

void Archive::addSlot(SlotKind kind, std::size_t number, std::size_t fieldOffset) {
    if (m_slots.size() > kMaxIndex || number > kSlotNumberMask)
        throw ArchiveError("too many objects (object field at offset " + std::to_string(fieldOffset) + ")");
    m_slots.push_back((std::uint32_t{kind} << kSlotKindShift) | static_cast<std::uint32_t>(number));
}

Archive::FieldTag Archive::readFieldTag(std::initializer_list<std::string_view> allowedClasses,
                                        std::size_t fieldOffset) {
    const auto fail = [&](const std::string& what) -> ArchiveError {
        return ArchiveError(what + " (object field at offset " + std::to_string(fieldOffset) + ")");
    };

    const std::uint16_t tag = readUInt16();
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
        const std::size_t classNumber = m_classes.size();
        addSlot(kClassSlot, classNumber, fieldOffset);
        m_classes.push_back(ClassRecord{cls, schema});
        return {FieldTag::NewObject, static_cast<std::uint32_t>(classNumber)};
    }

    std::uint32_t value;
    if (tag == kBigObjectTag)
        value = readUInt32();
    else
        value = (tag & kClassTag) ? (kBigClassTag | (tag & ~kClassTag)) : tag;
    const std::uint32_t index = value & ~kBigClassTag;
    const std::uint32_t slot = index < m_slots.size() ? m_slots[index] : 0;
    const std::uint32_t kind = slot >> kSlotKindShift;
    const std::uint32_t number = slot & kSlotNumberMask;
    if (!(value & kBigClassTag)) {
        // A null object or a back-reference.
        if (index == 0)
            return {FieldTag::Null, 0};
        if (kind != kObjectSlot && kind != kValueSlot)
            throw fail("reference to object index " + std::to_string(index) + " that names no object");
        const ClassRecord& cls = m_classes[kind == kObjectSlot ? m_objects[number].classNumber : number];
        if (!allowed(allowedClasses, cls.cls->name))
            throw fail("reference to an object of class " + quoted(cls.cls->name) + " not expected here");
        return {FieldTag::Reference, index};
    }
    if (kind != kClassSlot)
        throw fail("class index " + std::to_string(index) + " that names no class");
    enterNested();
    if (!allowed(allowedClasses, m_classes[number].cls->name))
        throw fail("class " + quoted(m_classes[number].cls->name) + " not expected here");
    return {FieldTag::NewObject, number};
}

ArchiveObject* Archive::readObject(std::initializer_list<std::string_view> allowedClasses) {
    requireLoading();
    const std::size_t fieldOffset = m_pos;
    const auto fail = [&](const std::string& what) -> ArchiveError {
        return ArchiveError(what + " (object field at offset " + std::to_string(fieldOffset) + ")");
    };

    const FieldTag tag = readFieldTag(allowedClasses, fieldOffset);
    if (tag.kind == FieldTag::Null)
        return nullptr;
    if (tag.kind == FieldTag::Reference) {
        const std::uint32_t slot = m_slots[tag.value];
        const std::uint32_t number = slot & kSlotNumberMask;
        if ((slot >> kSlotKindShift) == kValueSlot)
            throw fail("object of class " + quoted(m_classes[number].cls->name) +
                       " stands at more than one owning place");
        return m_objects[number].object;
    }

    const ClassRecord cls = m_classes[tag.value];
    std::unique_ptr<ArchiveObject> created = cls.cls->create();
    if (!created)
        throw fail("class " + quoted(cls.cls->name) + " could not be created");
    ArchiveObject* object = created.get();
    // The archive owns the object from here on, whatever fails later.
    m_owned.emplace(object, std::move(created));
    addSlot(kObjectSlot, m_objects.size(), fieldOffset);
    m_objects.push_back(CreatedObject{object, tag.value});

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

bool Archive::beginValueObject(std::string_view className) {
    requireLoading();
    const std::size_t fieldOffset = m_pos;
    const FieldTag tag = readFieldTag({className}, fieldOffset);
    if (tag.kind == FieldTag::Null)
        return false;
    if (tag.kind == FieldTag::Reference)
        throw ArchiveError("object of class " + quoted(className) +
                           " stands at more than one owning place (object field at offset " +
                           std::to_string(fieldOffset) + ")");
    addSlot(kValueSlot, tag.value, fieldOffset);
    m_schemaStack.push_back(m_classes[tag.value].schema);
    ++m_depth;
    return true;
}

void Archive::endValueObject() {
    --m_depth;
    m_schemaStack.pop_back();
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
