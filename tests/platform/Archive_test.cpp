#include "platform/Archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    for (const int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

int g_liveNodes = 0;

// A record with a value, a link to another node (not owned) and a list of owned child nodes,
// like an item with its exchange-rate link and its quotation list.
class Node : public ArchiveObject {
public:
    Node() { ++g_liveNodes; }
    explicit Node(std::int32_t value, std::uint16_t schema = 22) : value(value), schema(schema) { ++g_liveNodes; }
    ~Node() override { --g_liveNodes; }

    std::string_view archiveClassName() const override { return "CNode"; }
    std::uint16_t archiveSchema() const override { return schema; }
    void Serialize(Archive& ar) override {
        if (ar.isStoring()) {
            ar << value;
            ar.writeObject(link);
            ar.writeCount(children.size());
            for (const auto& child : children)
                ar.writeObject(child.get());
            return;
        }
        schemaAtStart = ar.objectSchema();
        ar >> value;
        link = ar.readObjectAs<ArchiveObject>({"CNode", "CLeaf"});
        const std::uint32_t count = ar.readCount(2);
        for (std::uint32_t i = 0; i < count; ++i)
            children.push_back(ar.adopt(ar.readObjectAs<Node>({"CNode"})));
        schemaAtEnd = ar.objectSchema();
    }

    std::int32_t value = 0;
    std::uint16_t schema = 22;
    ArchiveObject* link = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    std::uint16_t schemaAtStart = 0;
    std::uint16_t schemaAtEnd = 0;
};

class Leaf : public ArchiveObject {
public:
    Leaf() = default;
    explicit Leaf(double v) : value(v) {}
    std::string_view archiveClassName() const override { return "CLeaf"; }
    std::uint16_t archiveSchema() const override { return 3; }
    void Serialize(Archive& ar) override {
        if (ar.isStoring())
            ar << value;
        else
            ar >> value;
    }
    double value = 0;
};

class ArchiveTest : public testing::Test {
protected:
    ArchiveTest() {
        registry.add<Node>("CNode");
        registry.add<Leaf>("CLeaf");
    }

    // Reads a top-level list of nodes the way the document reads its items.
    std::vector<std::unique_ptr<Node>> readNodeList(Archive& ar) {
        std::vector<std::unique_ptr<Node>> list;
        const std::uint32_t count = ar.readCount(2);
        for (std::uint32_t i = 0; i < count; ++i)
            list.push_back(ar.adopt(ar.readObjectAs<Node>({"CNode"})));
        return list;
    }

    ArchiveClassRegistry registry;
};

TEST_F(ArchiveTest, NumbersAreLittleEndian) {
    Archive out;
    out << std::uint8_t{0xAB} << std::int16_t{-2} << std::int32_t{0x01020304} << std::uint32_t{0xFFFFFFFE}
        << std::int64_t{-3} << 1.5 << true << false;
    const Bytes expected =
        bytes({0xAB, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF,
               0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0,    0,    0,    0xF8, 0x3F, 1,    0});
    EXPECT_EQ(out.buffer(), expected);

    Archive in(out.takeBuffer(), registry);
    std::uint8_t u8;
    std::int16_t i16;
    std::int32_t i32;
    std::uint32_t u32;
    std::int64_t i64;
    double d;
    bool t, f;
    in >> u8 >> i16 >> i32 >> u32 >> i64 >> d >> t >> f;
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(i16, -2);
    EXPECT_EQ(i32, 0x01020304);
    EXPECT_EQ(u32, 0xFFFFFFFEu);
    EXPECT_EQ(i64, -3);
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(t);
    EXPECT_FALSE(f);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_THROW(in.readUInt8(), ArchiveError);
}

TEST_F(ArchiveTest, CountForms) {
    struct Case {
        std::uint32_t count;
        Bytes encoded;
    };
    const Case cases[] = {
        {0, bytes({0, 0})},
        {65534, bytes({0xFE, 0xFF})},
        {65535, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0})},
        {70000, bytes({0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const auto& c : cases) {
        Archive out;
        out.writeCount(c.count);
        EXPECT_EQ(out.buffer(), c.encoded) << c.count;
        Archive in(concat({c.encoded, Bytes(c.count, 0)}), registry);
        EXPECT_EQ(in.readCount(), c.count);
    }
}

TEST_F(ArchiveTest, CountsBeyondTheDataFailBeforeAnythingIsAllocated) {
    // 0xFFFFFFFF elements, four bytes left: no list could hold that many.
    Archive in(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}), registry);
    EXPECT_THROW(in.readCount(), ArchiveError);
    Archive two(bytes({3, 0, 1, 0, 2, 0, 0}), registry); // 3 object fields need 6 bytes, 5 left
    EXPECT_THROW(two.readCount(2), ArchiveError);
    Archive list(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), registry);
    EXPECT_THROW(readNodeList(list), ArchiveError);
}

TEST_F(ArchiveTest, ByteStringLengthPrefixes) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, bytes({0x00})},
        {254, bytes({0xFE})},
        {255, bytes({0xFF, 0xFF, 0x00})},
        {300, bytes({0xFF, 0x2C, 0x01})}, // a note of 300 bytes
        {65533, bytes({0xFF, 0xFD, 0xFF})},
        {65534, bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {65535, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
        {70000, bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const auto& c : cases) {
        std::string s(c.length, 'x');
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<char>('a' + i % 26);
        Archive out;
        out << s;
        EXPECT_EQ(out.buffer(), concat({c.prefix, text(s)})) << c.length;
        Archive in(out.takeBuffer(), registry);
        EXPECT_EQ(in.readString(), s) << c.length;
        EXPECT_EQ(in.remaining(), 0u);
    }
}

TEST_F(ArchiveTest, NonAsciiStringsUseTheSixteenBitForm) {
    Archive out;
    out << std::string("M\xC3\xBCller \xE2\x82\xAC"); // "Müller €": 8 UTF-16 units
    EXPECT_EQ(out.buffer(),
              bytes({0xFF, 0xFE, 0xFF, 8, 'M', 0, 0xFC, 0, 'l', 0, 'l', 0, 'e', 0, 'r', 0, ' ', 0, 0xAC, 0x20}));

    // The length counts UTF-16 units: a character outside the BMP takes two.
    const std::string clef = "\xF0\x9D\x84\x9E";
    std::string longText;
    for (int i = 0; i < 150; ++i)
        longText += clef;
    Archive outLong;
    outLong << clef << longText;
    const Bytes& b = outLong.buffer();
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), bytes({0xFF, 0xFE, 0xFF, 2, 0x34, 0xD8, 0x1E, 0xDD}));
    EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 14), bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));

    Archive in(outLong.takeBuffer(), registry);
    EXPECT_EQ(in.readString(), clef);
    EXPECT_EQ(in.readString(), longText);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST_F(ArchiveTest, ByteFormReadsUtf8AsItIsAndOtherBytesAsWindows1252) {
    Archive out;
    out.writeByteString("M\xFCller \x80");             // Windows-1252
    out.writeByteString("M\xC3\xBCller \xE2\x82\xAC"); // UTF-8
    Archive in(out.takeBuffer(), registry);
    EXPECT_EQ(in.readString(), "M\xC3\xBCller \xE2\x82\xAC");
    EXPECT_EQ(in.readString(), "M\xC3\xBCller \xE2\x82\xAC");
}

TEST_F(ArchiveTest, StringLengthsBeyondTheDataFail) {
    const Bytes cases[] = {
        bytes({5, 'a', 'b'}),
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}),        // 2 GB byte string
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),             // 4 GB byte string
        bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), // 4 G units of 16-bit text
        bytes({0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b'}),                     // odd byte short
        bytes({0xFF, 0xFE}),
    };
    for (const auto& c : cases) {
        Archive in(c, registry);
        EXPECT_THROW(in.readString(), ArchiveError) << testing::PrintToString(c);
    }
}

TEST_F(ArchiveTest, OldStyleDates) {
    Archive out;
    out.writeOldDate(1204293600);               // fits 32 bits
    out.writeOldDate(-86400);                   // before 1970
    out.writeOldDate(4102444800);               // 2100: needs 64 bits
    out.writeOldDate(std::int32_t(0x8000000A)); // the marker value itself
    const Bytes expected = concat({bytes({0xE0, 0x0F, 0xC8, 0x47}), bytes({0x80, 0xAE, 0xFE, 0xFF}),
                                   bytes({0x0A, 0, 0, 0x80, 0x00, 0x57, 0x86, 0xF4, 0, 0, 0, 0}),
                                   bytes({0x0A, 0, 0, 0x80, 0x0A, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF})});
    EXPECT_EQ(out.buffer(), expected);
    Archive in(out.takeBuffer(), registry);
    EXPECT_EQ(in.readOldDate(), 1204293600);
    EXPECT_EQ(in.readOldDate(), -86400);
    EXPECT_EQ(in.readOldDate(), 4102444800);
    EXPECT_EQ(in.readOldDate(), std::int32_t(0x8000000A));
}

TEST_F(ArchiveTest, ObjectsShareOneIndexCounterAndLinkedObjectsBecomeBackReferences) {
    // A links to B before B's own place in the list: B is written in full at the link and stands
    // in the list as a back-reference. Leaf is a second class, with its own class record.
    auto a = std::make_unique<Node>(1);
    auto b = std::make_unique<Node>(2);
    Leaf leaf(0.5);
    a->link = b.get();
    b->link = &leaf;
    b->children.push_back(std::make_unique<Node>(3));
    Archive out;
    out.writeCount(2);
    out.writeObject(a.get());
    out.writeObject(b.get());
    out.writeObject(&leaf);

    const Bytes expected = concat({
        bytes({2, 0}),                                     // list count
        bytes({0xFF, 0xFF, 22, 0, 5, 0}), text("CNode"),   // class "CNode" = index 1
        bytes({1, 0, 0, 0}),                               // A = index 2: value
        bytes({0x01, 0x80}),                               //   link: known class 1, new object B = index 3
        bytes({2, 0, 0, 0}),                               //     B: value
        bytes({0xFF, 0xFF, 3, 0, 5, 0}), text("CLeaf"),    //     B's link: class "CLeaf" = 4, leaf = 5
        bytes({0, 0, 0, 0, 0, 0, 0xE0, 0x3F}),             //       leaf's value
        bytes({1, 0, 0x01, 0x80, 3, 0, 0, 0, 0, 0, 0, 0}), //   B's children: one new node = index 6
        bytes({0, 0}),                                     //   A's children: none
        bytes({3, 0}),                                     // list element 2: back-reference to B
        bytes({5, 0}),                                     // the leaf again: back-reference
    });
    ASSERT_EQ(out.buffer(), expected);

    Archive in(out.takeBuffer(), registry);
    auto list = readNodeList(in);
    ArchiveObject* leafRead = in.readObject({"CLeaf"});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->value, 1);
    EXPECT_EQ(list[0]->link, list[1].get());
    EXPECT_EQ(list[1]->value, 2);
    EXPECT_EQ(list[1]->link, leafRead);
    EXPECT_EQ(dynamic_cast<Leaf*>(leafRead)->value, 0.5);
    ASSERT_EQ(list[1]->children.size(), 1u);
    EXPECT_EQ(list[1]->children[0]->value, 3);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST_F(ArchiveTest, SchemaOfTheClassIsReportedToTheRecordBeingRead) {
    Node outer(1, 7);
    Node inner(2, 22);
    outer.link = &inner;
    outer.children.push_back(std::make_unique<Node>(3, 7));
    Archive out;
    out.writeObject(&outer);
    Archive in(out.takeBuffer(), registry);
    EXPECT_EQ(in.objectSchema(), 0);
    auto* read = in.readObjectAs<Node>({"CNode"});
    // One class, one schema: the first class record fixes it for every object of the class.
    EXPECT_EQ(read->schemaAtStart, 7);
    EXPECT_EQ(read->schemaAtEnd, 7);
    EXPECT_EQ(static_cast<Node*>(read->link)->schemaAtStart, 7);

    // Two classes with their own schemas; the outer record sees its own again after a nested one.
    Leaf leaf(1.0);
    Node holder(4, 12);
    holder.link = &leaf;
    holder.children.push_back(std::make_unique<Node>(5, 12));
    Archive out2;
    out2.writeObject(&holder);
    Archive in2(out2.takeBuffer(), registry);
    auto* read2 = in2.readObjectAs<Node>({"CNode"});
    EXPECT_EQ(read2->schemaAtStart, 12);
    EXPECT_EQ(read2->schemaAtEnd, 12);
}

TEST_F(ArchiveTest, IndexesFromTheLargeFormOn) {
    // Class "CNode" takes index 1 and the nodes 2 .. 0x7FFF; then a new class and its objects
    // have indexes that only the large form can carry.
    constexpr int kNodes = 0x7FFE;
    std::vector<std::unique_ptr<Node>> nodes;
    for (int i = 0; i < kNodes; ++i)
        nodes.push_back(std::make_unique<Node>(i));
    Leaf first(1.0), second(2.0);
    Archive out;
    for (auto& n : nodes)
        out.writeObject(n.get());
    const std::size_t tailStart = out.buffer().size();
    out.writeObject(nodes[kNodes - 2].get()); // index 0x7FFE
    out.writeObject(nodes[kNodes - 1].get()); // index 0x7FFF
    out.writeObject(&first);                  // class 0x8000, object 0x8001
    out.writeObject(&second);                 // known class 0x8000, object 0x8002
    out.writeObject(&second);
    out.writeObject(&first);

    const Bytes& b = out.buffer();
    const Bytes expectedTail = concat({
        bytes({0xFE, 0x7F}),
        bytes({0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x00}),
        bytes({0xFF, 0xFF, 3, 0, 5, 0}),
        text("CLeaf"),
        bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}),
        bytes({0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80}),
        bytes({0, 0, 0, 0, 0, 0, 0x00, 0x40}),
        bytes({0xFF, 0x7F, 0x02, 0x80, 0x00, 0x00}),
        bytes({0xFF, 0x7F, 0x01, 0x80, 0x00, 0x00}),
    });
    ASSERT_EQ(Bytes(b.begin() + static_cast<std::ptrdiff_t>(tailStart), b.end()), expectedTail);

    Archive in(out.takeBuffer(), registry);
    std::vector<Node*> read;
    for (int i = 0; i < kNodes; ++i)
        read.push_back(in.readObjectAs<Node>({"CNode"}));
    EXPECT_EQ(read.back()->value, kNodes - 1);
    EXPECT_EQ(in.readObject({"CNode"}), read[kNodes - 2]);
    EXPECT_EQ(in.readObject({"CNode"}), read[kNodes - 1]);
    auto* firstRead = in.readObjectAs<Leaf>({"CLeaf"});
    auto* secondRead = in.readObjectAs<Leaf>({"CLeaf"});
    EXPECT_EQ(firstRead->value, 1.0);
    EXPECT_EQ(secondRead->value, 2.0);
    EXPECT_EQ(in.readObject({"CLeaf"}), secondRead);
    EXPECT_EQ(in.readObject({"CLeaf"}), firstRead);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST_F(ArchiveTest, MalformedObjectFieldsFailCleanly) {
    // The first field is read allowing any class, the second where only "CNode" may stand. Each
    // bad tag is followed by a well-formed node record, so a reader that accepted the tag would
    // go on without running out of bytes.
    const Bytes nodeClass = concat({bytes({0xFF, 0xFF, 22, 0, 5, 0}), text("CNode")});
    const Bytes leafClass = concat({bytes({0xFF, 0xFF, 3, 0, 5, 0}), text("CLeaf")});
    const Bytes emptyNode = bytes({9, 0, 0, 0, 0, 0, 0, 0}); // value, null link, no children
    const Bytes leafRecord(8, 0);
    struct Case {
        const char* what;
        Bytes data;
    };
    const Case cases[] = {
        {"unknown class", concat({bytes({0xFF, 0xFF, 1, 0, 5, 0}), text("CEvil"), emptyNode})},
        {"class not expected here", concat({nodeClass, emptyNode, leafClass, leafRecord})},
        {"back-reference to nothing", bytes({5, 0})},
        {"back-reference to a class", concat({nodeClass, emptyNode, bytes({1, 0})})},
        {"back-reference to an object of a class not expected here", concat({leafClass, leafRecord, bytes({2, 0})})},
        {"known class index 0", concat({bytes({0x00, 0x80}), emptyNode})},
        {"known class index naming an object", concat({nodeClass, emptyNode, bytes({0x02, 0x80}), emptyNode})},
        {"known class index out of range", concat({nodeClass, emptyNode, bytes({0x05, 0x80}), emptyNode})},
        {"known class not expected here", concat({leafClass, leafRecord, bytes({0x01, 0x80}), leafRecord})},
        {"large back-reference out of range", concat({nodeClass, emptyNode, bytes({0xFF, 0x7F, 9, 0, 0, 0})})},
        {"large class index out of range",
         concat({nodeClass, emptyNode, bytes({0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}), emptyNode})},
        {"large class index naming an object",
         concat({nodeClass, emptyNode, bytes({0xFF, 0x7F, 0x02, 0, 0, 0x80}), emptyNode})},
        {"class name cut short", concat({bytes({0xFF, 0xFF, 22, 0, 0xFF, 0xFF}), text("CNode")})},
    };
    for (const auto& c : cases) {
        Archive in(c.data, registry);
        EXPECT_THROW(
            {
                in.readObject({});
                in.readObject({"CNode"});
            },
            ArchiveError)
            << c.what;
    }
}

TEST_F(ArchiveTest, AnObjectAtTwoOwningPlacesFails) {
    Node a(1);
    Archive out;
    out.writeCount(2);
    out.writeObject(&a);
    out.writeObject(&a); // a back-reference where the reader takes ownership again
    Archive in(out.takeBuffer(), registry);
    EXPECT_THROW(readNodeList(in), ArchiveError);
}

// Records owned by one list are written without a note of their address and read in place as
// values; the stream is the same as for shared objects, and the indexes after them stay right.
TEST_F(ArchiveTest, RecordsKeptAsValuesTakeTheirIndexes) {
    std::vector<Leaf> leaves{Leaf(1.0), Leaf(2.0), Leaf(3.0)};
    Node after(7);
    const auto store = [&](Archive& out, bool unshared) {
        out.writeCount(leaves.size() + 1);
        for (Leaf& leaf : leaves)
            unshared ? out.writeUnsharedObject(&leaf) : out.writeObject(&leaf);
        out.writeUnsharedObject(nullptr);
        out.writeObject(&after); // class 5, object 6
        out.writeObject(&after);
    };
    Archive shared;
    store(shared, false);
    Archive unshared;
    store(unshared, true);
    ASSERT_EQ(unshared.buffer(), shared.buffer());
    const Bytes& b = unshared.buffer();
    EXPECT_EQ(Bytes(b.end() - 2, b.end()), bytes({6, 0}));

    Archive in(unshared.takeBuffer(), registry);
    std::vector<Leaf> read;
    std::vector<std::uint16_t> schemas;
    const std::uint32_t count = in.readCount(2);
    for (std::uint32_t i = 0; i < count; ++i) {
        Leaf& leaf = read.emplace_back();
        if (!in.readValueObject("CLeaf", [&] {
                schemas.push_back(in.objectSchema());
                leaf.Serialize(in);
            }))
            read.pop_back();
    }
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].value, 1.0);
    EXPECT_EQ(read[2].value, 3.0);
    EXPECT_EQ(schemas, (std::vector<std::uint16_t>{3, 3, 3}));
    EXPECT_EQ(in.objectSchema(), 0);
    auto* node = in.readObjectAs<Node>({"CNode"});
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value, 7);
    EXPECT_EQ(in.readObject({"CNode"}), node);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST_F(ArchiveTest, ARecordKeptAsAValueCannotBeNamedAgain) {
    const Bytes leafClass = concat({bytes({0xFF, 0xFF, 3, 0, 5, 0}), text("CLeaf")});
    const Bytes nodeClass = concat({bytes({0xFF, 0xFF, 22, 0, 5, 0}), text("CNode")});
    const Bytes leafRecord(8, 0);
    const Bytes emptyNode = bytes({9, 0, 0, 0, 0, 0, 0, 0});
    // The first field is read as a value (or, for a node, as an object); the second as a value.
    struct Case {
        const char* what;
        Bytes data;
        bool firstIsNode;
        const char* reason;
    };
    const Case cases[] = {
        {"a value named again as a value", concat({leafClass, leafRecord, bytes({2, 0})}), false,
         "more than one owning place"},
        {"a created object named where a value stands", concat({nodeClass, emptyNode, bytes({2, 0})}), true,
         "not expected here"},
        {"a value of another class", concat({leafClass, leafRecord, nodeClass, emptyNode}), false, "not expected here"},
        {"an unknown class", concat({leafClass, leafRecord, bytes({0xFF, 0xFF, 1, 0, 5, 0}), text("CEvil")}), false,
         "unknown class"},
        {"a class index naming the value", concat({leafClass, leafRecord, bytes({0x02, 0x80}), leafRecord}), false,
         "names no class"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Archive in(c.data, registry);
        Leaf leaf;
        if (c.firstIsNode)
            ASSERT_NE(in.readObject({"CNode"}), nullptr);
        else
            ASSERT_TRUE(in.readValueObject("CLeaf", [&] { leaf.Serialize(in); }));
        try {
            in.readValueObject("CLeaf", [&] { leaf.Serialize(in); });
            ADD_FAILURE() << "no error";
        } catch (const ArchiveError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }

    // Named again at a place where any object may stand: there is no object to give.
    Archive in(concat({leafClass, leafRecord, bytes({2, 0})}), registry);
    Leaf leaf;
    ASSERT_TRUE(in.readValueObject("CLeaf", [&] { leaf.Serialize(in); }));
    EXPECT_THROW(in.readObject({}), ArchiveError);

    // A null field reads nothing; a value counts as a level of nesting.
    Archive nullIn(bytes({0, 0}), registry);
    EXPECT_FALSE(nullIn.readValueObject("CLeaf", [] { ADD_FAILURE() << "a record read for null"; }));
    Archive deepIn(concat({leafClass, leafRecord}), registry);
    deepIn.setMaxDepth(0);
    EXPECT_THROW(deepIn.readValueObject("CLeaf", [&] { leaf.Serialize(deepIn); }), ArchiveError);
}

// A storing archive with a sink hands its bytes over in chunks and keeps only the rest; the
// bytes are those of an archive that keeps them all. A sink that throws stops the writing.
TEST_F(ArchiveTest, ASinkReceivesTheBytesInChunks) {
    Node a(1), b(2);
    a.link = &b;
    a.children.push_back(std::make_unique<Node>(3));
    const auto store = [&](Archive& out) {
        out.writeObject(&a);
        out << std::string(300, 'x'); // one write longer than a chunk
        out.writeObject(&b);
        out << std::int32_t{42};
    };
    Archive whole;
    store(whole);

    std::vector<Bytes> chunks;
    Archive chunked([&chunks](const std::uint8_t* data, std::size_t size) { chunks.emplace_back(data, data + size); },
                    16);
    store(chunked);
    Bytes handedOver;
    for (const Bytes& chunk : chunks)
        handedOver.insert(handedOver.end(), chunk.begin(), chunk.end());
    EXPECT_EQ(concat({handedOver, chunked.buffer()}), whole.buffer());
    EXPECT_LE(chunked.buffer().size(), 16u);
    ASSERT_GT(chunks.size(), 2u);
    for (const Bytes& chunk : chunks)
        EXPECT_TRUE(chunk.size() <= 16 || chunk.size() >= 300) << chunk.size();
    chunked.flush();
    EXPECT_TRUE(chunked.buffer().empty());
    handedOver.clear();
    for (const Bytes& chunk : chunks)
        handedOver.insert(handedOver.end(), chunk.begin(), chunk.end());
    EXPECT_EQ(handedOver, whole.buffer());

    Archive failing([](const std::uint8_t*, std::size_t) { throw ArchiveError("disk full"); }, 16);
    EXPECT_THROW(store(failing), ArchiveError);
}

TEST_F(ArchiveTest, ObjectsNotAdoptedAreFreedWithTheArchive) {
    const int before = g_liveNodes;
    {
        Node a(1), b(2), c(3);
        a.link = &b; // b and c are read but only reachable through links
        b.link = &c;
        Archive out;
        out.writeObject(&a);
        Archive in(out.takeBuffer(), registry);
        std::unique_ptr<Node> adopted = in.adopt(in.readObjectAs<Node>({"CNode"}));
        EXPECT_EQ(g_liveNodes, before + 6);
        ASSERT_TRUE(adopted);
        EXPECT_EQ(static_cast<Node*>(adopted->link)->value, 2);
    }
    EXPECT_EQ(g_liveNodes, before);
}

TEST_F(ArchiveTest, TruncatedStreamsFailAtEveryOffset) {
    Node a(1), b(2), c(3);
    Leaf leaf(4.0);
    a.link = &b;
    b.link = &leaf;
    a.children.push_back(std::make_unique<Node>(5));
    c.link = &a;
    Archive out;
    out.writeCount(3);
    out.writeObject(&a);
    out.writeObject(&b);
    out.writeObject(&c);
    out << std::string("Stra\xC3\x9F"
                       "e")
        << std::string(300, 'n') << 2.5;
    out.writeOldDate(5000000000);
    const Bytes full = out.takeBuffer();

    const auto readAll = [&](Archive& in) {
        auto list = readNodeList(in);
        in.readString();
        in.readString();
        in.readDouble();
        in.readOldDate();
        return list;
    };
    {
        Archive in(full, registry);
        const auto list = readAll(in);
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[2]->link, list[0].get());
        EXPECT_EQ(in.remaining(), 0u);
    }
    for (std::size_t size = 0; size < full.size(); ++size) {
        Archive in(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)), registry);
        EXPECT_THROW(readAll(in), ArchiveError) << "cut at " << size;
    }
}

// A loading archive over a source reads it in chunks of one buffer: whatever the chunk size,
// values that straddle chunks read as from memory, no read asks for more than a chunk, and input
// that ends early or cannot be read fails like a short stream.
TEST_F(ArchiveTest, ASourceIsReadInChunksOfOneBuffer) {
    Node a(1), b(2);
    a.link = &b;
    a.children.push_back(std::make_unique<Node>(3));
    Archive out;
    out.writeCount(2);
    out.writeObject(&a);
    out.writeObject(&b);
    out << std::string(700, 'x')
        << std::string("Stra\xC3\x9F"
                       "e")
        << 2.5 << std::uint64_t{0x0102030405060708};
    const Bytes full = out.takeBuffer();

    // Gives the first `available` bytes of `full`, noting the largest request.
    struct Input {
        const Bytes& bytes;
        std::size_t available;
        std::size_t at = 0;
        std::size_t largestRequest = 0;
        std::size_t operator()(std::uint8_t* buffer, std::size_t size) {
            largestRequest = std::max(largestRequest, size);
            const std::size_t n = std::min(size, available - at);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, buffer);
            at += n;
            return n;
        }
    };
    const auto readAll = [&](Archive& in) {
        auto list = readNodeList(in);
        const std::string longText = in.readString();
        const std::string text = in.readString();
        const double number = in.readDouble();
        const std::uint64_t word = in.readUInt64();
        EXPECT_EQ(longText, std::string(700, 'x'));
        EXPECT_EQ(text, "Stra\xC3\x9F"
                        "e");
        EXPECT_EQ(number, 2.5);
        EXPECT_EQ(word, 0x0102030405060708u);
        return list;
    };

    for (const std::size_t chunk : {std::size_t{16}, std::size_t{17}, std::size_t{64}, std::size_t{1} << 20}) {
        SCOPED_TRACE(chunk);
        Input input{full, full.size()};
        Archive in(std::ref(input), full.size(), registry, chunk);
        const auto list = readAll(in);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0]->link, list[1].get());
        EXPECT_EQ(list[0]->children.front()->value, 3);
        EXPECT_EQ(in.remaining(), 0u);
        EXPECT_LE(input.largestRequest, chunk);
        EXPECT_EQ(input.at, full.size()); // not a byte more
    }
    // Bytes after the announced size are not read.
    {
        Bytes longer = full;
        longer.push_back(0xEE);
        Input input{longer, longer.size()};
        Archive in(std::ref(input), full.size(), registry, 16);
        readAll(in);
        EXPECT_EQ(input.at, full.size());
    }
    // Input that ends early, at any place, fails.
    for (std::size_t available = 0; available < full.size(); available += 7) {
        Input input{full, available};
        Archive in(std::ref(input), full.size(), registry, 16);
        EXPECT_THROW(readAll(in), ArchiveError) << "ends at " << available;
    }
    // A read that fails ends the load with its error.
    std::size_t reads = 0;
    Archive failing(
        [&](std::uint8_t* buffer, std::size_t size) -> std::size_t {
            if (++reads == 2)
                throw ArchiveError("Input/output error");
            std::copy_n(full.begin(), size, buffer);
            return size;
        },
        full.size(), registry, 16);
    EXPECT_THROW(readAll(failing), ArchiveError);
}

TEST_F(ArchiveTest, NestingIsLimited) {
    // A crafted chain of 100000 nodes, each new one standing in the link of the one before:
    // the reader gives up at its depth limit instead of running out of stack.
    Bytes chain = concat({bytes({0xFF, 0xFF, 22, 0, 5, 0}), text("CNode"), bytes({0, 0, 0, 0})});
    for (int i = 0; i < 100000; ++i)
        chain.insert(chain.end(), {0x01, 0x80, 0, 0, 0, 0});
    Archive in(chain, registry);
    try {
        in.readObject({"CNode"});
        FAIL() << "no error";
    } catch (const ArchiveError& e) {
        EXPECT_NE(std::string(e.what()).find("nested"), std::string::npos) << e.what();
    }

    // The writer keeps to the same limit, so it never writes what the reader refuses.
    std::vector<std::unique_ptr<Node>> nodes;
    for (int i = 0; i < 12; ++i) {
        nodes.push_back(std::make_unique<Node>(i));
        if (i > 0)
            nodes[i - 1]->link = nodes[i].get();
    }
    Archive out;
    out.setMaxDepth(12);
    out.writeObject(nodes[0].get());
    Archive backIn(out.buffer(), registry);
    backIn.setMaxDepth(12);
    EXPECT_EQ(backIn.readObjectAs<Node>({"CNode"})->value, 0);

    Archive tooDeep;
    tooDeep.setMaxDepth(11);
    EXPECT_THROW(tooDeep.writeObject(nodes[0].get()), ArchiveError);
    Archive tooDeepIn(out.buffer(), registry);
    tooDeepIn.setMaxDepth(11);
    EXPECT_THROW(tooDeepIn.readObject({"CNode"}), ArchiveError);
}

} // namespace
