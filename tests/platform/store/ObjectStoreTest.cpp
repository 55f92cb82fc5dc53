#include <platform/foundation/Files.h>
#include <platform/store/Database.h>
#include <platform/store/ObjectStore.h>

#include "TestSupport.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

using namespace vd::store;
namespace fs = std::filesystem;

namespace {

ObjectModel model(int version = 1)
{
    EntityDescription entity { "Logo",
        { { "title", AttributeDescription::Kind::String }, { "small", AttributeDescription::Kind::Binary },
            { "picture", AttributeDescription::Kind::Binary, true } } };
    if (version >= 2)
        entity.attributes.push_back({ "extra", AttributeDescription::Kind::Binary });
    return { "testModel", version, { entity } };
}

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string fileContents(const fs::path& path)
{
    auto data = vd::files::readAll(path);
    return data ? std::string(data->begin(), data->end()) : std::string("<unreadable>");
}

}

TEST(ObjectStore, RowsSurviveReopeningInInsertionOrderWithAbsentAndEmptyValuesKeptApart)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    {
        auto store = ObjectStore::open(file, model());
        ASSERT_TRUE(store) << store.error().message;
        EXPECT_TRUE(fs::exists(file));
        for (int i = 0; i < 5; ++i) {
            auto object = (*store)->insertNewObject("Logo");
            object->setString("title", "logo " + std::to_string(i));
            if (i % 2 == 0)
                object->setValue("picture", bytes(std::string(100000, char('a' + i))));
            if (i == 1)
                object->setValue("small", Bytes());
        }
        EXPECT_TRUE((*store)->hasChanges());
        ASSERT_TRUE((*store)->save());
        EXPECT_FALSE((*store)->hasChanges());
    }
    auto store = ObjectStore::open(file, model());
    ASSERT_TRUE(store) << store.error().message;
    auto rows = (*store)->fetchAll("Logo");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const auto& row = (*rows)[i];
        EXPECT_EQ(row->stringValue("title"), "logo " + std::to_string(i));
        EXPECT_EQ(row->hasValue("picture"), i % 2 == 0);
        auto picture = row->value("picture");
        ASSERT_TRUE(picture);
        if (i % 2 == 0) {
            ASSERT_TRUE(*picture);
            EXPECT_EQ((*picture)->size(), 100000u);
            EXPECT_EQ((**picture)[0], 'a' + i);
            auto prefix = row->valuePrefix("picture", 8);
            ASSERT_TRUE(prefix);
            EXPECT_EQ(*prefix, Bytes(8, std::uint8_t('a' + i)));
        } else {
            EXPECT_FALSE(*picture);
        }
    }
    EXPECT_TRUE((*rows)[1]->hasValue("small"));
    EXPECT_EQ(*(*rows)[1]->value("small"), Bytes());
    EXPECT_FALSE((*rows)[0]->hasValue("small"));
}

TEST(ObjectStore, DeleteInsertAndUpdateReachTheFileOnlyOnSave)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    auto store = ObjectStore::open(file, model());
    ASSERT_TRUE(store);
    for (const char* title : { "a", "b", "c" })
        (*store)->insertNewObject("Logo")->setString("title", title);
    // Unsaved inserts are fetched too, after the stored rows.
    auto pending = (*store)->fetchAll("Logo");
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending->size(), 3u);
    ASSERT_TRUE((*store)->save());

    auto rows = *(*store)->fetchAll("Logo");
    EXPECT_EQ(rows[0], (*(*store)->fetchAll("Logo"))[0]); // one object per row
    (*store)->deleteObject(rows[1]);
    rows[2]->setString("title", "c2");
    (*store)->insertNewObject("Logo")->setString("title", "d");
    auto visible = *(*store)->fetchAll("Logo");
    ASSERT_EQ(visible.size(), 3u);
    {
        auto other = ObjectStore::open(file, model()); // what the file holds so far
        ASSERT_TRUE(other);
        auto stored = *(*other)->fetchAll("Logo");
        ASSERT_EQ(stored.size(), 3u);
        EXPECT_EQ(stored[1]->stringValue("title"), "b");
        EXPECT_EQ(stored[2]->stringValue("title"), "c");
    }
    ASSERT_TRUE((*store)->save());
    auto other = ObjectStore::open(file, model());
    ASSERT_TRUE(other);
    auto stored = *(*other)->fetchAll("Logo");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0]->stringValue("title"), "a");
    EXPECT_EQ(stored[1]->stringValue("title"), "c2");
    EXPECT_EQ(stored[2]->stringValue("title"), "d");
    EXPECT_GT(stored[2]->rowId(), stored[1]->rowId());
}

TEST(ObjectStore, FailedSaveKeepsTheFileAndThePendingChanges)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    auto store = ObjectStore::open(file, model());
    ASSERT_TRUE(store);
    (*store)->insertNewObject("Logo")->setString("title", "kept");
    ASSERT_TRUE((*store)->save());

    // Another connection holds the write lock, so the save cannot begin its transaction.
    {
        auto blocker = Database::open(file, Database::Access::ReadWrite);
        ASSERT_TRUE(blocker);
        ASSERT_TRUE(blocker->execute("BEGIN EXCLUSIVE"));
        (*store)->insertNewObject("Logo")->setString("title", "pending");
        EXPECT_FALSE((*store)->save());
        EXPECT_TRUE((*store)->hasChanges());
        ASSERT_TRUE(blocker->execute("ROLLBACK"));
    }
    ASSERT_TRUE((*store)->save());
    EXPECT_EQ((*store)->fetchAll("Logo")->size(), 2u);
}

TEST(ObjectStore, FilesThatAreNotThisStoreAreRefusedAndLeftExactlyAsTheyWere)
{
    vd::test::TemporaryFolder folder;
    auto refuse = [&](const std::string& name, const std::string& expected) {
        const fs::path file = folder / name;
        const std::string before = fileContents(file);
        auto store = ObjectStore::open(file, model());
        ASSERT_FALSE(store) << name;
        EXPECT_NE(store.error().message.find(file.string()), std::string::npos) << store.error().message;
        EXPECT_NE(store.error().message.find(expected), std::string::npos) << store.error().message;
        EXPECT_EQ(fileContents(file), before) << name;
        EXPECT_FALSE(fs::exists(folder / (name + "-journal")));
    };

    const std::string text = "these are my holiday notes, not a database\n";
    ASSERT_TRUE(vd::files::writeAtomically(folder / "notes.sqlite", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    refuse("notes.sqlite", "not an SQLite database");

    // Someone else's SQLite database.
    {
        auto other = Database::open(folder / "other.sqlite", Database::Access::ReadWriteCreate);
        ASSERT_TRUE(other);
        ASSERT_TRUE(other->execute("CREATE TABLE people(name TEXT); INSERT INTO people VALUES('Ada');"));
    }
    refuse("other.sqlite", "not a Vardenico store");

    // A table of the right name that is not ours.
    {
        auto other = Database::open(folder / "lookalike.sqlite", Database::Access::ReadWriteCreate);
        ASSERT_TRUE(other);
        ASSERT_TRUE(other->execute("CREATE TABLE Logo(title TEXT); INSERT INTO Logo VALUES('x'); PRAGMA user_version = 1;"));
    }
    refuse("lookalike.sqlite", "incompatible store");

    // A store written by a newer version.
    {
        ASSERT_TRUE(ObjectStore::open(folder / "newer.sqlite", model(3)));
    }
    refuse("newer.sqlite", "newer version");

    // A store whose first page is damaged past the header.
    {
        auto store = ObjectStore::open(folder / "damaged.sqlite", model());
        ASSERT_TRUE(store);
        (*store)->insertNewObject("Logo")->setString("title", "x");
        ASSERT_TRUE((*store)->save());
    }
    auto data = *vd::files::readAll(folder / "damaged.sqlite");
    for (size_t i = 100; i < data.size(); ++i)
        data[i] = 0xA5;
    ASSERT_TRUE(vd::files::writeAtomically(folder / "damaged.sqlite", data));
    refuse("damaged.sqlite", "damaged");
}

TEST(ObjectStore, UnreadableFileIsRefused)
{
    {
        vd::test::TemporaryFolder folder;
        fs::create_directories(folder / "store.sqlite" / "inside");
        auto store = ObjectStore::open(folder / "store.sqlite", model());
        ASSERT_FALSE(store);
        EXPECT_NE(store.error().message.find("not a regular file"), std::string::npos);
        EXPECT_TRUE(fs::exists(folder / "store.sqlite" / "inside"));
    }
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    ASSERT_TRUE(ObjectStore::open(file, model()));
    fs::permissions(file, fs::perms::none);
    fs::permissions(folder.path(), fs::perms::all);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        auto refused = ObjectStore::open(file, model());
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.error().message.find("store.sqlite"), std::string::npos) << refused.error().message;
    }));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ObjectStore, AnOlderStoreIsReadWithoutWritingEvenOnReadOnlyMediaAndItsFirstSaveUpgradesIt)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    {
        auto store = ObjectStore::open(file, model(1));
        ASSERT_TRUE(store);
        (*store)->insertNewObject("Logo")->setString("title", "old");
        ASSERT_TRUE((*store)->save());
    }
    const std::string before = fileContents(file);
    {
        auto store = ObjectStore::open(file, model(2));
        ASSERT_TRUE(store) << store.error().message;
        auto rows = (*store)->fetchAll("Logo");
        ASSERT_TRUE(rows) << rows.error().message;
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_FALSE((*rows)[0]->hasValue("extra")) << "a column the file lacks reads as absent";
    }
    EXPECT_EQ(fileContents(file), before) << "opening and reading wrote to the file";

    // On a folder and file nobody may write (read-only media), the rows still load, and a save
    // fails with a reason instead of ending anything.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        auto store = ObjectStore::open(file, model(2));
        ASSERT_TRUE(store) << store.error().message;
        auto rows = (*store)->fetchAll("Logo");
        ASSERT_TRUE(rows) << rows.error().message;
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_EQ((*rows)[0]->stringValue("title"), "old");
        (*rows)[0]->setValue("extra", bytes("cache"));
        EXPECT_FALSE((*store)->save());
    }));
    EXPECT_EQ(fileContents(file), before);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    // Two openers of the older store: the first save brings it up to date, keeping its rows and
    // giving them the new attribute; the second finds it so.
    auto first = ObjectStore::open(file, model(2));
    auto second = ObjectStore::open(file, model(2));
    ASSERT_TRUE(first && second);
    (*(*first)->fetchAll("Logo"))[0]->setValue("extra", bytes("new"));
    (*first)->insertNewObject("Logo")->setValue("extra", bytes("one"));
    ASSERT_TRUE((*first)->save());
    (*second)->insertNewObject("Logo")->setValue("extra", bytes("two"));
    auto saved = (*second)->save();
    ASSERT_TRUE(saved) << saved.error().message;
    auto rows = *(*ObjectStore::open(file, model(2)))->fetchAll("Logo");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->stringValue("title"), "old");
    EXPECT_EQ(rows[0]->value("extra")->value(), bytes("new"));
    EXPECT_EQ(rows[1]->value("extra")->value(), bytes("one"));
    EXPECT_EQ(rows[2]->value("extra")->value(), bytes("two"));
    EXPECT_EQ(*Database::open(file, Database::Access::ReadOnly)->userVersion(), 2);
}

TEST(ObjectStore, AStoreThatCannotBeCreatedReadsAsEmptyAndTheFirstSaveCreatesIt)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    // A folder nobody may write: opening still gives an empty store, writes nothing, and a save
    // says why it cannot keep the row.
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        auto store = ObjectStore::open(file, model(2));
        ASSERT_TRUE(store) << store.error().message;
        auto rows = (*store)->fetchAll("Logo");
        ASSERT_TRUE(rows) << rows.error().message;
        EXPECT_TRUE(rows->empty());
        (*store)->insertNewObject("Logo")->setString("title", "kept?");
        auto saved = (*store)->save();
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.error().message.find(file.string()), std::string::npos) << saved.error().message;
    }));
    EXPECT_FALSE(fs::exists(file));

    // The same store object creates the file with its first save once it can: here its folder
    // did not exist when it was opened.
    const fs::path later = folder / "later" / "store.sqlite";
    auto store = ObjectStore::open(later, model(2));
    ASSERT_TRUE(store) << store.error().message;
    EXPECT_FALSE(fs::exists(later));
    (*store)->insertNewObject("Logo")->setString("title", "kept");
    fs::create_directory(folder / "later");
    ASSERT_TRUE((*store)->save());
    (*store)->insertNewObject("Logo")->setString("title", "and another");
    ASSERT_TRUE((*store)->save());
    auto reopened = ObjectStore::open(later, model(2));
    ASSERT_TRUE(reopened);
    auto rows = (*reopened)->fetchAll("Logo");
    ASSERT_TRUE(rows && rows->size() == 2u);
    EXPECT_EQ((*rows)[0]->stringValue("title"), "kept");
    EXPECT_EQ((*rows)[1]->stringValue("title"), "and another");
}

TEST(ObjectStore, SaveCutShortIsRolledBackToTheLastSavedState)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    {
        auto store = ObjectStore::open(file, model());
        ASSERT_TRUE(store);
        for (int i = 0; i < 3; ++i)
            (*store)->insertNewObject("Logo")->setString("title", "saved " + std::to_string(i));
        ASSERT_TRUE((*store)->save());
    }
    // A writer that dies in the middle of a large change leaves the half-written file and its
    // journal: copy both while the change is under way.
    fs::create_directories(folder / "crash");
    {
        auto writer = Database::open(file, Database::Access::ReadWrite);
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->execute("PRAGMA cache_size = 10; BEGIN; UPDATE Logo SET small = zeroblob(500000); DELETE FROM Logo WHERE Z_PK = 1;"));
        ASSERT_TRUE(fs::exists(folder / "store.sqlite-journal"));
        fs::copy_file(file, folder / "crash" / "store.sqlite");
        fs::copy_file(folder / "store.sqlite-journal", folder / "crash" / "store.sqlite-journal");
        ASSERT_TRUE(writer->execute("ROLLBACK"));
    }
    auto store = ObjectStore::open(folder / "crash" / "store.sqlite", model());
    ASSERT_TRUE(store) << store.error().message;
    auto rows = (*store)->fetchAll("Logo");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[0]->stringValue("title"), "saved 0");
    EXPECT_FALSE((*rows)[2]->hasValue("small"));
}

// Saving a change to one field must leave the others as the file has them: above all a picture
// that was never read into memory, which the row only knows to be there.
TEST(ObjectStoreUpdate, ChangingOneFieldKeepsAnUnreadOnDemandValue)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "logos.sqlite";
    const Bytes picture = bytes(std::string(50000, 'p'));
    {
        auto store = ObjectStore::open(file, model()).value();
        for (const char* title : { "first", "second" }) {
            auto row = store->insertNewObject("Logo");
            row->setString("title", std::string(title));
            row->setValue("small", bytes("thumb"));
            row->setValue("picture", picture);
        }
        ASSERT_TRUE(store->save());
    }
    {
        auto store = ObjectStore::open(file, model()).value();
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
    auto store = ObjectStore::open(file, model()).value();
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
