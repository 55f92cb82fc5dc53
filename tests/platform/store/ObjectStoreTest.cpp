#include <platform/foundation/Files.h>
#include <platform/store/Database.h>
#include <platform/store/ObjectStore.h>

#include "TestSupport.h"
#include "Unprivileged.h"

#include <fstream>

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

// Opens the store, failing the test when it cannot.
std::shared_ptr<ObjectStore> opened(const fs::path& file, int version = 1)
{
    auto store = ObjectStore::open(file, model(version));
    EXPECT_TRUE(store) << store.error().message;
    return store ? *store : nullptr;
}

// The titles of the rows the file holds, in fetch order.
std::vector<std::string> titles(const fs::path& file, int version = 1)
{
    std::vector<std::string> result;
    auto store = opened(file, version);
    const auto rows = store ? *store->fetchAll("Logo") : std::vector<std::shared_ptr<ManagedObject>> {};
    for (const auto& row : rows)
        result.push_back(row->stringValue("title").value_or("-"));
    return result;
}

void addRows(ObjectStore& store, std::initializer_list<const char*> titles)
{
    for (const char* title : titles)
        store.insertNewObject("Logo")->setString("title", title);
}

}

TEST(ObjectStore, RowsSurviveReopeningInInsertionOrderWithAbsentAndEmptyValuesKeptApart)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "dictModel.sqlite";
    {
        auto store = opened(file);
        EXPECT_TRUE(fs::exists(file));
        for (int i = 0; i < 5; ++i) {
            auto object = store->insertNewObject("Logo");
            object->setString("title", "logo " + std::to_string(i));
            if (i % 2 == 0)
                object->setValue("picture", bytes(std::string(100000, char('a' + i))));
            if (i == 1)
                object->setValue("small", Bytes());
        }
        EXPECT_TRUE(store->hasChanges());
        ASSERT_TRUE(store->save() && !store->hasChanges());
    }
    {
        // A change to one field leaves the others as the file has them, above all a picture never
        // read into memory, which the row only knows to be there.
        auto store = opened(file);
        (*store->fetchAll("Logo"))[0]->setString("title", "first");
        ASSERT_TRUE(store->save());
        EXPECT_EQ(*(*store->fetchAll("Logo"))[0]->value("picture"), Bytes(100000, std::uint8_t('a'))) << "read from the file after the save";
    }
    EXPECT_EQ(titles(file), (std::vector<std::string> { "first", "logo 1", "logo 2", "logo 3", "logo 4" }));
    auto reopened = opened(file); // kept open: the pictures are read from it on demand
    auto rows = reopened->fetchAll("Logo");
    for (int i = 0; i < 5; ++i) {
        const auto& row = (*rows)[i];
        EXPECT_EQ(row->hasValue("picture"), i % 2 == 0);
        const auto expected = i % 2 == 0 ? std::optional(Bytes(100000, std::uint8_t('a' + i))) : std::nullopt;
        EXPECT_EQ(*row->value("picture"), expected);
        EXPECT_TRUE(i % 2 != 0 || *row->valuePrefix("picture", 8) == Bytes(8, std::uint8_t('a' + i)));
    }
    EXPECT_TRUE((*rows)[1]->hasValue("small") && !(*rows)[0]->hasValue("small") && *(*rows)[1]->value("small") == Bytes()) << "empty is not absent";
}

TEST(ObjectStore, DeleteInsertAndUpdateReachTheFileOnlyOnSaveAndAFailedOrCutShortSaveKeepsTheLastSavedState)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    auto store = opened(file);
    addRows(*store, { "a", "b", "c" });
    EXPECT_EQ(store->fetchAll("Logo")->size(), 3u) << "unsaved inserts are fetched too";
    ASSERT_TRUE(store->save());

    auto rows = *store->fetchAll("Logo");
    EXPECT_EQ(rows[0], (*store->fetchAll("Logo"))[0]); // one object per row
    store->deleteObject(rows[1]);
    rows[2]->setString("title", "c2");
    addRows(*store, { "d" });
    EXPECT_EQ(store->fetchAll("Logo")->size(), 3u);
    EXPECT_EQ(titles(file), (std::vector<std::string> { "a", "b", "c" })) << "nothing reaches the file before the save";
    ASSERT_TRUE(store->save());
    EXPECT_EQ(titles(file), (std::vector<std::string> { "a", "c2", "d" }));

    // A save that fails (another connection holds the write lock) keeps the file and the change.
    {
        auto blocker = Database::open(file, Database::Access::ReadWrite);
        ASSERT_TRUE(blocker && blocker->execute("BEGIN EXCLUSIVE"));
        addRows(*store, { "pending" });
        EXPECT_TRUE(!store->save() && store->hasChanges());
        ASSERT_TRUE(blocker->execute("ROLLBACK"));
    }
    EXPECT_EQ(titles(file), (std::vector<std::string> { "a", "c2", "d" }));
    ASSERT_TRUE(store->save());
    EXPECT_EQ(titles(file), (std::vector<std::string> { "a", "c2", "d", "pending" }));

    // A writer that dies in the middle of a large change leaves the half-written file and its
    // journal (copied while the change is under way): opened, they are the last saved state.
    fs::create_directories(folder / "crash");
    {
        auto writer = Database::open(file, Database::Access::ReadWrite);
        ASSERT_TRUE(writer && writer->execute("PRAGMA cache_size = 10; BEGIN; UPDATE Logo SET small = zeroblob(500000); DELETE FROM Logo WHERE Z_PK = 1;"));
        ASSERT_TRUE(fs::exists(folder / "store.sqlite-journal"));
        fs::copy_file(file, folder / "crash" / "store.sqlite");
        fs::copy_file(folder / "store.sqlite-journal", folder / "crash" / "store.sqlite-journal");
        ASSERT_TRUE(writer->execute("ROLLBACK"));
    }
    EXPECT_EQ(titles(folder / "crash" / "store.sqlite"), (std::vector<std::string> { "a", "c2", "d", "pending" }));
    EXPECT_FALSE((*opened(folder / "crash" / "store.sqlite")->fetchAll("Logo"))[2]->hasValue("small"));
}

TEST(ObjectStore, FilesThatAreNotThisStoreOrUnreadableAreRefusedAndLeftExactlyAsTheyWere)
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

    std::ofstream(folder / "notes.sqlite") << "these are my holiday notes, not a database\n";
    refuse("notes.sqlite", "not an SQLite database");
    fs::create_directories(folder / "folder.sqlite" / "inside");
    refuse("folder.sqlite", "not a regular file");
    EXPECT_TRUE(fs::exists(folder / "folder.sqlite" / "inside"));
    // Someone else's SQLite database, and a table of the right name that is not ours.
    for (const auto& [name, sql, reason] : { std::tuple { "other.sqlite", "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('Ada');", "not a Vardenico store" },
             std::tuple { "lookalike.sqlite", "CREATE TABLE Logo(title TEXT); INSERT INTO Logo VALUES('x'); PRAGMA user_version = 1;", "incompatible store" } }) {
        ASSERT_TRUE(Database::open(folder / name, Database::Access::ReadWriteCreate)->execute(sql));
        refuse(name, reason);
    }
    ASSERT_TRUE(opened(folder / "newer.sqlite", 3));
    refuse("newer.sqlite", "newer version");
    // A store whose first page is damaged past the header.
    {
        auto store = opened(folder / "damaged.sqlite");
        addRows(*store, { "x" });
        ASSERT_TRUE(store->save());
    }
    auto data = *vd::files::readAll(folder / "damaged.sqlite");
    for (size_t i = 100; i < data.size(); ++i)
        data[i] = 0xA5;
    ASSERT_TRUE(vd::files::writeAtomically(folder / "damaged.sqlite", data));
    refuse("damaged.sqlite", "damaged");

    // A store this user may not read.
    const fs::path locked = folder / "locked.sqlite";
    ASSERT_TRUE(opened(locked));
    fs::permissions(locked, fs::perms::none);
    fs::permissions(folder.path(), fs::perms::all);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        auto refused = ObjectStore::open(locked, model());
        EXPECT_TRUE(!refused && refused.error().message.contains("locked.sqlite"));
    }));
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ObjectStore, AnOlderStoreIsReadWithoutWritingEvenOnReadOnlyMediaAndAFirstSaveUpgradesOrMakesIt)
{
    vd::test::TemporaryFolder folder;
    const fs::path file = folder / "store.sqlite";
    {
        auto store = opened(file);
        addRows(*store, { "old" });
        ASSERT_TRUE(store->save());
    }
    const std::string before = fileContents(file);
    EXPECT_FALSE((*opened(file, 2)->fetchAll("Logo"))[0]->hasValue("extra")) << "a column the file lacks reads as absent";
    EXPECT_EQ(fileContents(file), before) << "opening and reading wrote to the file";

    // On a folder and file nobody may write (read-only media), the rows still load, and a save
    // fails with a reason instead of ending anything. A store that cannot be made there opens
    // empty, and its save says why it cannot keep the row.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(vd::test::passesAsUnprivilegedUser([&] {
        auto store = opened(file, 2);
        ASSERT_TRUE(store);
        auto rows = *store->fetchAll("Logo");
        ASSERT_TRUE(rows.size() == 1u && rows[0]->stringValue("title") == "old");
        rows[0]->setValue("extra", bytes("cache"));
        EXPECT_FALSE(store->save());
        auto unmade = opened(folder / "new.sqlite", 2);
        ASSERT_TRUE(unmade && unmade->fetchAll("Logo")->empty());
        addRows(*unmade, { "kept?" });
        auto saved = unmade->save();
        EXPECT_TRUE(!saved && saved.error().message.contains("new.sqlite"));
    }));
    EXPECT_TRUE(fileContents(file) == before && !fs::exists(folder / "new.sqlite"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);

    // Two openers of the older store: the first save brings it up to date, keeping its rows and
    // giving them the new attribute; the second finds it so.
    auto first = opened(file, 2);
    auto second = opened(file, 2);
    (*first->fetchAll("Logo"))[0]->setValue("extra", bytes("new"));
    first->insertNewObject("Logo")->setValue("extra", bytes("one"));
    ASSERT_TRUE(first->save());
    second->insertNewObject("Logo")->setValue("extra", bytes("two"));
    auto saved = second->save();
    ASSERT_TRUE(saved) << saved.error().message;
    auto rows = *opened(file, 2)->fetchAll("Logo");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->stringValue("title"), "old");
    EXPECT_EQ(std::tuple(rows[0]->value("extra")->value(), rows[1]->value("extra")->value(), rows[2]->value("extra")->value()), std::tuple(bytes("new"), bytes("one"), bytes("two")));
    EXPECT_EQ(*Database::open(file, Database::Access::ReadOnly)->userVersion(), 2);

    // A store whose folder is missing when opened is made by its first save, once the folder is there.
    const fs::path later = folder / "later" / "store.sqlite";
    auto store = opened(later, 2);
    ASSERT_TRUE(store);
    addRows(*store, { "kept" });
    fs::create_directory(folder / "later");
    ASSERT_TRUE(store->save());
    addRows(*store, { "and another" });
    ASSERT_TRUE(store->save());
    EXPECT_EQ(titles(later, 2), (std::vector<std::string> { "kept", "and another" }));
}

