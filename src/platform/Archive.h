#pragma once
// The object archive: the byte stream of portfolio files and of the item clipboard format.
//
// An Archive either stores (writes into its own byte buffer, or hands the bytes to a sink in
// chunks) or loads (reads from bytes it owns, or reads lent bytes in place). Records implement
// ArchiveObject::Serialize and ask isStoring() which way they run. The encoding:
//   - integers little-endian, doubles IEEE 754 (8 bytes), bool one byte;
//   - count: 16-bit, or 0xFFFF followed by a 32-bit count when it is 65535 or more;
//   - string: byte form with a length prefix (1 byte below 255; 0xFF + 16-bit below 0xFFFE;
//     0xFF 0xFFFF + 32-bit), or the 16-bit form: FF FE FF, a length in UTF-16 units with the
//     same prefix scheme, then UTF-16LE text;
//   - object field: 16-bit tag 0x0000 null; 0xFFFF new class (16-bit schema, 16-bit name length,
//     name) followed by a new object; 0x8000+i known class i followed by a new object; 1..0x7FFE
//     back-reference; 0x7FFF then a 32-bit value (bit 31 set: known class, else back-reference).
//     One index counter from 1 numbers classes and objects in order of first appearance.
//
// Loading trusts nothing in the stream: every violation, and running out of bytes, throws
// ArchiveError; no count or length read from the stream allocates more than the remaining bytes
// can fill.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

// The one error a loading or storing archive raises.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Archive;

// Base of every record stored in an archive as an object.
class ArchiveObject {
public:
    virtual ~ArchiveObject() = default;
    // The class name written in the class record ("CKurs").
    virtual std::string_view archiveClassName() const = 0;
    // The schema number written in the class record.
    virtual std::uint16_t archiveSchema() const = 0;
    // Writes or reads the record's own fields.
    virtual void Serialize(Archive& ar) = 0;
};

// The classes a loading archive may create, by the name in their class record.
class ArchiveClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<ArchiveObject>()>;
    struct Entry {
        std::string name;
        Factory create;
    };

    void add(std::string name, Factory create);
    template <class T> void add(std::string name) {
        add(std::move(name), [] { return std::make_unique<T>(); });
    }
    // The class of that name, or null.
    const Entry* find(std::string_view name) const;

private:
    std::map<std::string, Entry, std::less<>> m_entries;
};

class Archive {
public:
    // Nesting of objects read or written inside other objects' records, at most.
    static constexpr int kDefaultMaxDepth = 1024;
    // Bytes a storing archive with a sink collects before it hands them over.
    static constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;

    // Receives the bytes of a storing archive in order; throws to give up (the exception leaves
    // the write that caused it).
    using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // A storing archive with an empty buffer.
    Archive();
    // A storing archive that hands its bytes to `sink` whenever about `chunkSize` have collected;
    // flush() hands over the rest. buffer() holds only the bytes not handed over yet.
    explicit Archive(Sink sink, std::size_t chunkSize = kDefaultChunkSize);
    // A loading archive over `bytes` (taken over, not copied), creating objects of the classes in
    // `registry` (which must outlive the archive).
    Archive(std::vector<std::uint8_t> bytes, const ArchiveClassRegistry& registry);
    // A loading archive over a copy of `bytes`.
    Archive(std::string_view bytes, const ArchiveClassRegistry& registry);
    // A loading archive reading `bytes` where they are, without a copy: they must stay alive and
    // unchanged as long as the archive.
    struct InPlace {};
    Archive(InPlace, std::string_view bytes, const ArchiveClassRegistry& registry);
    // Fills `buffer` with up to `size` bytes of a loading archive's input and returns how many it
    // gave, 0 at its end; throws ArchiveError when it cannot read.
    using Source = std::function<std::size_t(std::uint8_t* buffer, std::size_t size)>;
    // A loading archive over the `size` bytes that `source` gives, read in chunks of `chunkSize`
    // into one buffer that is reused: a file is never held whole. Input that ends before `size`
    // bytes fails as a stream that is too short; bytes after them are not read.
    Archive(Source source, std::uint64_t size, const ArchiveClassRegistry& registry,
            std::size_t chunkSize = kDefaultChunkSize);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isStoring() const { return m_storing; }
    bool isLoading() const { return !m_storing; }

    // Storing: the bytes stored so far (and not handed to a sink).
    const std::vector<std::uint8_t>& buffer() const { return m_bytes; }
    std::vector<std::uint8_t> takeBuffer();
    // Storing with a sink: hands every byte stored so far to the sink.
    void flush();

    // Loading: read position and the bytes left.
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_inSize - m_pos; }

    void setMaxDepth(int depth) { m_maxDepth = depth; }
    int maxDepth() const { return m_maxDepth; }

    // --- numbers ---
    void writeUInt8(std::uint8_t v) { put(&v, 1); }
    void writeUInt16(std::uint16_t v) { putLittleEndian(v); }
    void writeUInt32(std::uint32_t v) { putLittleEndian(v); }
    void writeUInt64(std::uint64_t v) { putLittleEndian(v); }
    void writeInt8(std::int8_t v) { writeUInt8(static_cast<std::uint8_t>(v)); }
    void writeInt16(std::int16_t v) { writeUInt16(static_cast<std::uint16_t>(v)); }
    void writeInt32(std::int32_t v) { writeUInt32(static_cast<std::uint32_t>(v)); }
    void writeInt64(std::int64_t v) { writeUInt64(static_cast<std::uint64_t>(v)); }
    void writeDouble(double v) { writeUInt64(std::bit_cast<std::uint64_t>(v)); }
    void writeBool(bool v) { writeUInt8(v ? 1 : 0); }
    void writeBytes(std::string_view bytes);

    std::uint8_t readUInt8() {
        std::uint8_t v;
        take(&v, 1);
        return v;
    }
    std::uint16_t readUInt16() { return takeLittleEndian<std::uint16_t>(); }
    std::uint32_t readUInt32() { return takeLittleEndian<std::uint32_t>(); }
    std::uint64_t readUInt64() { return takeLittleEndian<std::uint64_t>(); }
    std::int8_t readInt8() { return static_cast<std::int8_t>(readUInt8()); }
    std::int16_t readInt16() { return static_cast<std::int16_t>(readUInt16()); }
    std::int32_t readInt32() { return static_cast<std::int32_t>(readUInt32()); }
    std::int64_t readInt64() { return static_cast<std::int64_t>(readUInt64()); }
    double readDouble() { return std::bit_cast<double>(readUInt64()); }
    bool readBool() { return readUInt8() != 0; } // any non-zero byte is true
    std::string readBytes(std::size_t count);

    // --- counts ---
    void writeCount(std::size_t count);
    // Reads a count; fails when `count * minBytesEach` exceeds the bytes left, since every element
    // takes at least that many bytes (an object field takes two).
    std::uint32_t readCount(std::size_t minBytesEach = 1);

    // --- strings (UTF-8 in memory) ---
    // ASCII text in the byte form, anything else in the 16-bit form (malformed UTF-8 bytes are
    // written as U+FFFD).
    void writeString(std::string_view text);
    // The byte form with these exact bytes, whatever they hold.
    void writeByteString(std::string_view bytes);
    // Either form. Byte form: valid UTF-8 as it is, anything else decoded as Windows-1252.
    std::string readString();

    // --- old-style date: seconds since 1970-01-01 00:00 UTC ---
    // 32-bit, or 0x8000000A followed by 64-bit when the value does not fit (or is the marker).
    void writeOldDate(std::int64_t seconds);
    std::int64_t readOldDate();

    // --- objects ---
    // Writes a null, a back-reference to an object written before, or the object's class (record
    // or index) followed by its own record.
    void writeObject(ArchiveObject* object);
    // The same for an object that stands at this one place only and is never written again (a
    // record owned by one list): it takes its index like any other, but the archive keeps no note
    // of its address. Writing such an object a second time would store it twice.
    void writeUnsharedObject(ArchiveObject* object);

    // Reads one object field. `allowedClasses` names the classes that may stand here (empty: every
    // class of the registry); another class, an unknown class, a back-reference to nothing or to
    // an object of another class fails. Returns null for a null field. The archive owns every
    // object it creates until adopt() hands it over.
    ArchiveObject* readObject(std::initializer_list<std::string_view> allowedClasses);
    template <class T> T* readObjectAs(std::initializer_list<std::string_view> allowedClasses) {
        ArchiveObject* object = readObject(allowedClasses);
        if (!object)
            return nullptr;
        if (auto* typed = dynamic_cast<T*>(object))
            return typed;
        throw ArchiveError("object of class '" + std::string(object->archiveClassName()) + "' has an unexpected type");
    }

    // Reads one object field that must hold a null or a new object of class `className` (which
    // must be in the registry), for a caller that keeps the object as a value of its own: no
    // object is created, `readRecord()` reads the record (with objectSchema() and the nesting
    // depth as for readObject). Returns false for a null field. The object takes its index, so
    // later indexes stay right; a later field naming it fails, as it has its one owner already
    // (readObject and readValueObject alike), and so does a field here naming an object read
    // before.
    template <class ReadRecord> bool readValueObject(std::string_view className, ReadRecord&& readRecord) {
        if (!beginValueObject(className))
            return false;
        const ValueObjectScope scope(*this);
        readRecord();
        return true;
    }

    // Takes ownership of an object this archive created; fails when it was adopted already (a
    // stream can name one object at two places that each want to own it). Null gives null.
    std::unique_ptr<ArchiveObject> adopt(ArchiveObject* object);
    template <class T> std::unique_ptr<T> adopt(T* object) {
        return std::unique_ptr<T>(static_cast<T*>(adopt(static_cast<ArchiveObject*>(object)).release()));
    }

    // Loading: the schema of the class of the object whose record is being read (0 outside).
    std::uint16_t objectSchema() const { return m_schemaStack.empty() ? 0 : m_schemaStack.back(); }

    // --- stream operators for records written in the classic style ---
    template <class T>
    requires std::is_arithmetic_v<T> Archive& operator<<(T v) {
        if constexpr (std::is_same_v<T, bool>)
            writeBool(v);
        else if constexpr (std::is_floating_point_v<T>)
            writeDouble(static_cast<double>(v));
        else
            putLittleEndian(static_cast<std::make_unsigned_t<T>>(v));
        return *this;
    }
    template <class T>
    requires std::is_arithmetic_v<T> Archive& operator>>(T& v) {
        if constexpr (std::is_same_v<T, bool>)
            v = readBool();
        else if constexpr (std::is_floating_point_v<T>)
            v = static_cast<T>(readDouble());
        else
            v = static_cast<T>(takeLittleEndian<std::make_unsigned_t<T>>());
        return *this;
    }
    Archive& operator<<(std::string_view text) {
        writeString(text);
        return *this;
    }
    Archive& operator<<(const std::string& text) { return *this << std::string_view(text); }
    Archive& operator<<(const char* text) { return *this << std::string_view(text); }
    Archive& operator>>(std::string& text) {
        text = readString();
        return *this;
    }

private:
    // Loading: what an index names, in 32 bits: the kind in the top two bits, below it the number
    // of the class (m_classes) or of the object (m_objects).
    static constexpr std::uint32_t kSlotKindShift = 30;
    static constexpr std::uint32_t kSlotNumberMask = (std::uint32_t{1} << kSlotKindShift) - 1;
    enum SlotKind : std::uint32_t {
        kNoSlot = 0,     // index 0, the null object
        kClassSlot = 1,  // a class record
        kObjectSlot = 2, // an object the archive created (number: m_objects)
        kValueSlot = 3,  // an object a caller took as a value (number: its class)
    };
    struct ClassRecord {
        const ArchiveClassRegistry::Entry* cls;
        std::uint16_t schema;
    };
    struct CreatedObject {
        ArchiveObject* object;
        std::uint32_t classNumber;
    };
    // What the tag of an object field names.
    struct FieldTag {
        enum Kind { Null, Reference, NewObject } kind;
        std::uint32_t value; // Reference: the index; NewObject: the class number
    };

    // Ends the record of a value object (readValueObject), also when reading it throws.
    class ValueObjectScope {
    public:
        explicit ValueObjectScope(Archive& ar) : m_ar(ar) {}
        ~ValueObjectScope() { m_ar.endValueObject(); }
        ValueObjectScope(const ValueObjectScope&) = delete;
        ValueObjectScope& operator=(const ValueObjectScope&) = delete;

    private:
        Archive& m_ar;
    };

    // Storing: appends `size` bytes (at least one).
    void put(const void* data, std::size_t size) {
        if (m_bytes.size() + size > m_outLimit)
            beforeLimit();
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    template <class T> void putLittleEndian(T v) {
        if constexpr (std::endian::native == std::endian::big)
            v = byteSwapped(v);
        put(&v, sizeof v);
    }
    // Loading: takes the next `size` bytes (at least one).
    void take(void* out, std::size_t size) {
        if (size > m_windowEnd - m_pos) {
            takeAcrossChunks(static_cast<std::uint8_t*>(out), size);
            return;
        }
        std::memcpy(out, m_in + (m_pos - m_windowStart), size);
        m_pos += size;
    }
    template <class T> T takeLittleEndian() {
        T v;
        take(&v, sizeof v);
        if constexpr (std::endian::native == std::endian::big)
            v = byteSwapped(v);
        return v;
    }
    template <class T> static T byteSwapped(T v) {
        T out = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            out = static_cast<T>((out << 8) | ((v >> (8 * i)) & 0xFF));
        return out;
    }

    void requireStoring() const;
    void requireLoading() const;
    void need(std::size_t count) const;
    [[noreturn]] void notEnoughData(std::size_t count) const;
    // Loading from a source: takes `size` bytes that do not all lie in the chunk at hand.
    void takeAcrossChunks(std::uint8_t* out, std::size_t size);
    // Reads the next chunk of the source into the buffer.
    void nextChunk();
    void beforeLimit();
    void writeLength(std::size_t length);
    std::size_t readLength(bool wideMarkerAllowed, bool& wide);
    void enterNested();
    std::uint32_t nextIndex();
    void writeObject(ArchiveObject* object, bool shared);
    FieldTag readFieldTag(std::initializer_list<std::string_view> allowedClasses, std::size_t fieldOffset);
    void addSlot(SlotKind kind, std::size_t number, std::size_t fieldOffset);
    bool beginValueObject(std::string_view className);
    void endValueObject();

    bool m_storing;
    int m_depth = 0;
    int m_maxDepth = kDefaultMaxDepth;

    // Storing: the bytes not handed to a sink yet. A write that would take them past m_outLimit
    // (a chunk with a sink, nothing on a loading archive) goes through beforeLimit() first.
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_outLimit;
    Sink m_sink;
    // Index of every shared object and class written.
    std::uint32_t m_nextIndex = 1;
    std::unordered_map<const ArchiveObject*, std::uint32_t> m_storedObjects;
    std::map<std::string, std::uint32_t, std::less<>> m_storedClasses;
    std::string m_lastClassName; // the class written last and its index, looked up first
    std::uint32_t m_lastClassIndex = 0;

    // Loading: the bytes and the read position. m_in holds the input from m_windowStart to
    // m_windowEnd: all of it, or the chunk of a source at hand.
    std::vector<std::uint8_t> m_input;
    const std::uint8_t* m_in = nullptr;
    std::size_t m_inSize = 0;
    std::size_t m_pos = 0;
    std::size_t m_windowStart = 0;
    std::size_t m_windowEnd = 0;
    Source m_source;
    std::unique_ptr<std::uint8_t[]> m_chunk; // the source's chunks, not cleared between reads
    std::size_t m_chunkSize = 0;
    const ArchiveClassRegistry* m_registry = nullptr;
    std::vector<std::uint32_t> m_slots; // slot i: what index i names
    std::vector<ClassRecord> m_classes;
    std::vector<CreatedObject> m_objects;
    std::unordered_map<ArchiveObject*, std::unique_ptr<ArchiveObject>> m_owned;
    std::vector<std::uint16_t> m_schemaStack;
};
