#include <platform/store/ObjectStore.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vd::store;
namespace fs = std::filesystem;

namespace {

// A logo row as the store keeps it: a title, a small cached value, and a large picture that is
// read from the file only when asked for.
ObjectModel logoModel()
{
    return { "updateModel", 1,
        { { "Logo",
            { { "title", AttributeDescription::Kind::String }, { "small", AttributeDescription::Kind::Binary },
                { "picture", AttributeDescription::Kind::Binary, true } } } } };
}

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::shared_ptr<ObjectStore> openStore(const fs::path& file)
{
    auto store = ObjectStore::open(file, logoModel());
    EXPECT_TRUE(store) << store.error().message;
    return store ? *store : nullptr;
}

}

// Saving a change to one field must leave the others as the file has them: above all a picture
// that was never read into memory, which the row only knows to be there.
TEST(ObjectStoreUpdate, ChangingOneFieldKeepsAnUnreadOnDemandValue)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "logos.sqlite";
    const Bytes picture = bytes(std::string(50000, 'p'));
    {
        auto store = openStore(file);
        ASSERT_TRUE(store);
        for (const char* title : { "first", "second" }) {
            auto row = store->insertNewObject("Logo");
            row->setString("title", std::string(title));
            row->setValue("small", bytes("thumb"));
            row->setValue("picture", picture);
        }
        ASSERT_TRUE(store->save());
    }
    {
        auto store = openStore(file);
        ASSERT_TRUE(store);
        auto rows = store->fetchAll("Logo");
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->size(), 2u);
        (*rows)[0]->setString("title", std::string("renamed"));
        (*rows)[1]->setValue("small", bytes("new thumb"));
        ASSERT_TRUE(store->save());
        // The same run still reads the picture from the file.
        auto again = (*rows)[0]->value("picture");
        ASSERT_TRUE(again);
        ASSERT_TRUE(*again);
        EXPECT_EQ(**again, picture);
    }
    auto store = openStore(file);
    ASSERT_TRUE(store);
    auto rows = store->fetchAll("Logo");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0]->stringValue("title"), "renamed");
    EXPECT_EQ((*rows)[0]->stringValue("small"), "thumb");
    EXPECT_EQ((*rows)[1]->stringValue("title"), "second");
    EXPECT_EQ((*rows)[1]->stringValue("small"), "new thumb");
    for (const auto& row : *rows) {
        EXPECT_TRUE(row->hasValue("picture")) << row->stringValue("title").value_or("?");
        auto stored = row->value("picture");
        ASSERT_TRUE(stored);
        ASSERT_TRUE(*stored) << row->stringValue("title").value_or("?") << " lost its picture";
        EXPECT_EQ(**stored, picture);
    }
}
