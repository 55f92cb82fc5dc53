#include <platform/foundation/Log.h>
#include <platform/store/Database.h>
#include <platform/store/ObjectStore.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

namespace vd::store {

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& identifier)
{
    std::string text = "\"";
    for (char c : identifier) {
        text += c;
        if (c == '"')
            text += '"';
    }
    return text + "\"";
}

// Fetches read the ordinary attributes first and the on-demand ones last: SQLite reaches a column
// that follows a large value only by walking that value's overflow pages.
std::vector<const AttributeDescription*> columnOrder(const EntityDescription& entity)
{
    std::vector<const AttributeDescription*> order;
    for (const auto& attribute : entity.attributes)
        if (!attribute.loadedOnDemand)
            order.push_back(&attribute);
    for (const auto& attribute : entity.attributes)
        if (attribute.loadedOnDemand)
            order.push_back(&attribute);
    return order;
}

std::string columnType(const AttributeDescription& attribute) { return attribute.kind == AttributeDescription::Kind::String ? "TEXT" : "BLOB"; }

Result<std::set<std::string>> tableNames(Database& database)
{
    auto statement = database.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    if (!statement)
        return std::unexpected(statement.error());
    std::set<std::string> names;
    while (true) {
        auto row = statement->step();
        if (!row)
            return std::unexpected(row.error());
        if (!*row)
            break;
        names.insert(statement->columnText(0));
    }
    return names;
}

Result<std::set<std::string>> columnNames(Database& database, const std::string& table)
{
    auto statement = database.prepare("PRAGMA table_info(" + quoted(table) + ")");
    if (!statement)
        return std::unexpected(statement.error());
    std::set<std::string> names;
    while (true) {
        auto row = statement->step();
        if (!row)
            return std::unexpected(row.error());
        if (!*row)
            break;
        names.insert(statement->columnText(1));
    }
    return names;
}

// What an existing file needs before this program can use it, decided without writing to it.
struct Inspection {
    int version { 0 };
    std::vector<std::string> statements; // schema changes to bring the file up to the model
    std::set<std::pair<std::string, std::string>> missing; // (table, column) the file lacks; column "" for a table
};

Result<Inspection> inspect(const fs::path& path, const ObjectModel& model)
{
    const std::string where = path.string();
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return fail(where, std::string("cannot be read (") + std::strerror(errno) + ")");
        char header[16] = {};
        file.read(header, sizeof header);
        const auto got = file.gcount();
        if (got == 0)
            return Inspection {}; // an empty file is an empty database
        if (got < 16 || std::memcmp(header, "SQLite format 3", 16) != 0)
            return fail(where, "not an SQLite database");
    }
    // A journal left by a save that was cut short holds the pages to put back: SQLite rolls it
    // back on the first read of a writable connection, which returns the file to its last saved
    // state. A read-only connection cannot, so that recovery comes first.
    std::error_code error;
    fs::path journal = path;
    journal += "-journal";
    if (fs::exists(journal, error) && fs::file_size(journal, error) > 0 && !error) {
        auto recovering = Database::open(path, Database::Access::ReadWrite);
        if (!recovering)
            return std::unexpected(recovering.error());
        if (auto version = recovering->userVersion(); !version)
            return fail(where, "damaged store (" + version.error().message + ")");
    }
    auto database = Database::open(path, Database::Access::ReadOnly);
    if (!database)
        return std::unexpected(database.error());
    auto version = database->userVersion();
    if (!version)
        return fail(where, "damaged store (" + version.error().message + ")");
    auto tables = tableNames(*database);
    if (!tables)
        return fail(where, "damaged store (" + tables.error().message + ")");
    Inspection inspection;
    inspection.version = *version;
    if (*version > model.version)
        return fail(where, "written by a newer version of Vardenico (store version " + std::to_string(*version) + ", this program reads up to " + std::to_string(model.version) + ")");
    if (*version == 0 && !tables->empty())
        return fail(where, "not a Vardenico store (it holds other tables: " + *tables->begin() + ")");
    for (const auto& entity : model.entities) {
        if (!tables->contains(entity.name)) {
            if (*version != 0)
                return fail(where, "incompatible store (table " + entity.name + " is missing)");
            inspection.missing.insert({ entity.name, "" });
            continue;
        }
        auto columns = columnNames(*database, entity.name);
        if (!columns)
            return fail(where, "damaged store (" + columns.error().message + ")");
        if (!columns->contains("Z_PK"))
            return fail(where, "incompatible store (table " + entity.name + " has no row keys)");
        for (const auto* attribute : columnOrder(entity))
            if (!columns->contains(attribute->name)) {
                inspection.missing.insert({ entity.name, attribute->name });
                inspection.statements.push_back("ALTER TABLE " + quoted(entity.name) + " ADD COLUMN " + quoted(attribute->name) + " " + columnType(*attribute));
            }
    }
    return inspection;
}

std::vector<std::string> creationStatements(const ObjectModel& model)
{
    std::vector<std::string> statements;
    for (const auto& entity : model.entities) {
        std::string sql = "CREATE TABLE IF NOT EXISTS " + quoted(entity.name) + " (Z_PK INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const auto* attribute : columnOrder(entity))
            sql += ", " + quoted(attribute->name) + " " + columnType(*attribute);
        statements.push_back(sql + ")");
    }
    return statements;
}

}

ManagedObject::ManagedObject(Key, const EntityDescription* entity, std::weak_ptr<ObjectStore> store)
    : m_entity(entity)
    , m_store(std::move(store))
{
}

const AttributeDescription* ManagedObject::attribute(const std::string& name) const
{
    for (const auto& attribute : m_entity->attributes)
        if (attribute.name == name)
            return &attribute;
    return nullptr;
}

bool ManagedObject::hasValue(const std::string& attribute) const
{
    auto slot = m_slots.find(attribute);
    return slot != m_slots.end() && slot->second.present;
}

Result<std::optional<Bytes>> ManagedObject::value(const std::string& name) const
{
    auto slot = m_slots.find(name);
    if (slot == m_slots.end() || !slot->second.present)
        return std::optional<Bytes>();
    if (slot->second.loaded)
        return slot->second.value;
    auto store = m_store.lock();
    if (!store)
        return fail(m_entity->name + " row " + std::to_string(m_rowId), "the store is closed");
    return store->loadValue(*this, name);
}

Result<Bytes> ManagedObject::valuePrefix(const std::string& name, std::size_t count) const
{
    auto slot = m_slots.find(name);
    if (slot == m_slots.end() || !slot->second.present)
        return Bytes();
    if (slot->second.loaded) {
        const Bytes& bytes = *slot->second.value;
        return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size())));
    }
    auto store = m_store.lock();
    if (!store)
        return fail(m_entity->name + " row " + std::to_string(m_rowId), "the store is closed");
    return store->loadPrefix(*this, name, count);
}

std::optional<std::string> ManagedObject::stringValue(const std::string& name) const
{
    auto bytes = value(name);
    if (!bytes || !*bytes)
        return std::nullopt;
    return std::string((*bytes)->begin(), (*bytes)->end());
}

void ManagedObject::setValue(const std::string& name, std::optional<Bytes> value)
{
    if (!attribute(name))
        return;
    Slot& slot = m_slots[name];
    slot.present = value.has_value();
    slot.loaded = true;
    slot.changed = true;
    slot.value = std::move(value);
    if (m_rowId != 0 && !m_deleted)
        if (auto store = m_store.lock())
            store->markUpdated(shared_from_this());
}

void ManagedObject::setString(const std::string& name, std::optional<std::string> value)
{
    if (!value) {
        setValue(name, std::nullopt);
        return;
    }
    setValue(name, Bytes(value->begin(), value->end()));
}

namespace {

// A store file that this program began to create but could not finish (a full disk, a folder that
// became read-only) is taken away again: an empty file would pass for a store with no logos. Only
// an empty file goes: one that holds a committed page was finished, by this process or another.
void removeUnfinished(const fs::path& path)
{
    std::error_code error;
    if (fs::file_size(path, error) != 0 || error)
        return;
    fs::remove(path, error);
    fs::remove(fs::path(path.string() + "-journal"), error);
}

// A new file with the model's schema, written in one transaction.
Result<std::unique_ptr<Database>> createOnce(const fs::path& path, const ObjectModel& model, const std::vector<std::string>& statements)
{
    auto database = Database::open(path, Database::Access::ReadWriteCreate);
    if (!database)
        return std::unexpected(database.error());
    auto transaction = Transaction::begin(*database);
    if (!transaction)
        return std::unexpected(transaction.error());
    for (const auto& sql : statements)
        if (auto done = database->execute(sql); !done)
            return std::unexpected(done.error());
    if (auto done = database->setUserVersion(model.version); !done)
        return std::unexpected(done.error());
    if (auto done = transaction->commit(); !done)
        return std::unexpected(done.error());
    return std::make_unique<Database>(std::move(*database));
}

Result<std::unique_ptr<Database>> create(const fs::path& path, const ObjectModel& model, const std::vector<std::string>& statements)
{
    auto created = createOnce(path, model, statements);
    if (!created)
        removeUnfinished(path);
    return created;
}

}

ObjectStore::ObjectStore(Key, fs::path path, ObjectModel model, std::unique_ptr<Database> database)
    : m_path(std::move(path))
    , m_model(std::move(model))
    , m_database(std::move(database))
{
}

ObjectStore::~ObjectStore() = default;

Result<std::shared_ptr<ObjectStore>> ObjectStore::open(const fs::path& path, ObjectModel model)
{
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error)
        return fail(path.string(), error.message());
    Inspection inspection;
    std::optional<Error> creationFailure;
    if (exists) {
        if (!fs::is_regular_file(path, error))
            return fail(path.string(), "not a regular file");
        auto inspected = inspect(path, model);
        if (!inspected)
            return std::unexpected(inspected.error());
        inspection = std::move(*inspected);
    }
    if (inspection.version == 0)
        inspection.statements = creationStatements(model);

    if (!exists) {
        auto created = create(path, model, inspection.statements);
        if (created)
            return std::make_shared<ObjectStore>(Key {}, path, std::move(model), std::move(*created));
        // A folder that cannot be written (read-only media, a full disk): there is no file and so
        // nothing to read, the store reads as empty, and the first save tries again to create the
        // file and says why it cannot.
        creationFailure = created.error();
    }
    std::unique_ptr<Database> database;
    if (exists) {
        auto opened = Database::open(path, Database::Access::ReadWrite);
        if (!opened)
            return std::unexpected(opened.error());
        database = std::make_unique<Database>(std::move(*opened));
    }
    // What the file lacks is brought up to the model by the first save, in its transaction:
    // opening never writes, so a store on read-only media or a full disk can still be read.
    auto store = std::make_shared<ObjectStore>(Key {}, path, std::move(model), std::move(database));
    if (inspection.version == 0)
        for (const auto& entity : store->m_model.entities)
            inspection.missing.insert({ entity.name, "" });
    store->m_schemaPending = !inspection.statements.empty() || inspection.version != store->m_model.version;
    store->m_missing = std::move(inspection.missing);
    store->m_creationFailure = std::move(creationFailure);
    return store;
}

const EntityDescription* ObjectStore::entity(const std::string& name) const
{
    for (const auto& entity : m_model.entities)
        if (entity.name == name)
            return &entity;
    return nullptr;
}

Result<std::vector<std::shared_ptr<ManagedObject>>> ObjectStore::fetchAll(const std::string& entityName)
{
    const EntityDescription* description = entity(entityName);
    if (!description)
        return fail(m_path.string(), "no entity named " + entityName);
    const auto columns = columnOrder(*description);
    std::vector<std::shared_ptr<ManagedObject>> objects;
    if (m_missing.contains({ entityName, "" })) {
        // A table the file does not have yet (the first save adds it) has no rows.
        for (const auto& object : m_inserted)
            if (object->entityName() == entityName)
                objects.push_back(object);
        return objects;
    }
    std::string sql = "SELECT Z_PK";
    for (const auto* attribute : columns) {
        if (m_missing.contains({ entityName, attribute->name }))
            sql += ", NULL";
        else
            sql += attribute->loadedOnDemand ? ", length(" + quoted(attribute->name) + ")" : ", " + quoted(attribute->name);
    }
    sql += " FROM " + quoted(entityName) + " ORDER BY Z_PK";
    auto statement = m_database->prepare(sql);
    if (!statement)
        return std::unexpected(statement.error());

    while (true) {
        auto row = statement->step();
        if (!row)
            return std::unexpected(row.error());
        if (!*row)
            break;
        const std::int64_t rowId = statement->columnInt64(0);
        auto& registered = m_registered[{ entityName, rowId }];
        if (auto existing = registered.lock()) {
            if (!existing->m_deleted)
                objects.push_back(std::move(existing));
            continue;
        }
        auto object = std::make_shared<ManagedObject>(ManagedObject::Key {}, description, weak_from_this());
        object->m_rowId = rowId;
        for (size_t i = 0; i < columns.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            if (statement->isNull(column))
                continue;
            ManagedObject::Slot& slot = object->m_slots[columns[i]->name];
            slot.present = true;
            if (!columns[i]->loadedOnDemand) {
                slot.loaded = true;
                slot.value = statement->columnBlob(column);
            }
        }
        registered = object;
        objects.push_back(std::move(object));
    }
    for (const auto& object : m_inserted)
        if (object->entityName() == entityName)
            objects.push_back(object);
    return objects;
}

std::shared_ptr<ManagedObject> ObjectStore::insertNewObject(const std::string& entityName)
{
    const EntityDescription* description = entity(entityName);
    if (!description)
        return nullptr;
    auto object = std::make_shared<ManagedObject>(ManagedObject::Key {}, description, weak_from_this());
    m_inserted.push_back(object);
    return object;
}

void ObjectStore::deleteObject(const std::shared_ptr<ManagedObject>& object)
{
    if (!object || object->m_deleted)
        return;
    if (auto it = std::find(m_inserted.begin(), m_inserted.end(), object); it != m_inserted.end()) {
        m_inserted.erase(it);
        object->m_deleted = true;
        return;
    }
    object->m_deleted = true;
    m_deleted.push_back(object);
}

void ObjectStore::markUpdated(const std::shared_ptr<ManagedObject>& object)
{
    if (std::find(m_updated.begin(), m_updated.end(), object) == m_updated.end())
        m_updated.push_back(object);
}

bool ObjectStore::hasChanges() const { return !m_inserted.empty() || !m_deleted.empty() || !m_updated.empty(); }

Result<void> ObjectStore::save()
{
    if (!hasChanges())
        return {};
    std::error_code error;
    const bool creating = !m_database && !fs::exists(m_path, error);
    auto saved = saveChanges();
    if (!saved && creating) {
        m_database.reset();
        removeUnfinished(m_path);
    }
    return saved;
}

Result<void> ObjectStore::saveChanges()
{
    if (!m_database) {
        // The file could not be created when the store was opened: the schema goes in with this save.
        auto database = Database::open(m_path, Database::Access::ReadWriteCreate);
        if (!database)
            return std::unexpected(database.error());
        m_database = std::make_unique<Database>(std::move(*database));
    }
    auto transaction = Transaction::begin(*m_database);
    if (!transaction)
        return std::unexpected(transaction.error());
    if (m_schemaPending) {
        // Looked at again inside the transaction: another process may have brought the file up
        // to date since it was opened here.
        auto tables = tableNames(*m_database);
        if (!tables)
            return std::unexpected(tables.error());
        for (const auto& entity : m_model.entities) {
            if (!tables->contains(entity.name)) {
                for (const auto& sql : creationStatements(ObjectModel { m_model.name, m_model.version, { entity } }))
                    if (auto done = m_database->execute(sql); !done)
                        return std::unexpected(done.error());
                continue;
            }
            auto columns = columnNames(*m_database, entity.name);
            if (!columns)
                return std::unexpected(columns.error());
            for (const auto* attribute : columnOrder(entity))
                if (!columns->contains(attribute->name))
                    if (auto done = m_database->execute("ALTER TABLE " + quoted(entity.name) + " ADD COLUMN " + quoted(attribute->name) + " " + columnType(*attribute)); !done)
                        return std::unexpected(done.error());
        }
        if (auto done = m_database->setUserVersion(m_model.version); !done)
            return std::unexpected(done.error());
    }

    for (const auto& object : m_deleted) {
        auto statement = m_database->prepare("DELETE FROM " + quoted(object->entityName()) + " WHERE Z_PK = ?");
        if (!statement)
            return std::unexpected(statement.error());
        if (auto bound = statement->bind(1, object->m_rowId); !bound)
            return std::unexpected(bound.error());
        if (auto done = statement->step(); !done)
            return std::unexpected(done.error());
    }

    auto bindSlot = [](Statement& statement, int index, const ManagedObject::Slot* slot, const AttributeDescription& attribute) -> Result<void> {
        if (!slot || !slot->present || !slot->value)
            return statement.bindNull(index);
        const Bytes& bytes = *slot->value;
        if (attribute.kind == AttributeDescription::Kind::String)
            return statement.bind(index, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return statement.bindBlob(index, bytes);
    };

    std::vector<std::int64_t> newRowIds;
    for (const auto& object : m_inserted) {
        const auto columns = columnOrder(*object->m_entity);
        std::string sql = "INSERT INTO " + quoted(object->entityName());
        if (columns.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, values;
            for (size_t i = 0; i < columns.size(); ++i) {
                names += (i ? ", " : "") + quoted(columns[i]->name);
                values += i ? ", ?" : "?";
            }
            sql += " (" + names + ") VALUES (" + values + ")";
        }
        auto statement = m_database->prepare(sql);
        if (!statement)
            return std::unexpected(statement.error());
        for (size_t i = 0; i < columns.size(); ++i) {
            auto slot = object->m_slots.find(columns[i]->name);
            if (auto bound = bindSlot(*statement, static_cast<int>(i) + 1, slot == object->m_slots.end() ? nullptr : &slot->second, *columns[i]); !bound)
                return std::unexpected(bound.error());
        }
        if (auto done = statement->step(); !done)
            return std::unexpected(done.error());
        newRowIds.push_back(m_database->lastInsertRowId());
    }

    for (const auto& object : m_updated) {
        if (object->m_deleted)
            continue;
        for (const auto& [name, slot] : object->m_slots) {
            if (!slot.changed)
                continue;
            const AttributeDescription* attribute = object->attribute(name);
            auto statement = m_database->prepare("UPDATE " + quoted(object->entityName()) + " SET " + quoted(name) + " = ? WHERE Z_PK = ?");
            if (!statement)
                return std::unexpected(statement.error());
            if (auto bound = bindSlot(*statement, 1, &slot, *attribute); !bound)
                return std::unexpected(bound.error());
            if (auto bound = statement->bind(2, object->m_rowId); !bound)
                return std::unexpected(bound.error());
            if (auto done = statement->step(); !done)
                return std::unexpected(done.error());
        }
    }

    if (auto committed = transaction->commit(); !committed)
        return committed;
    if (m_schemaPending) {
        m_schemaPending = false;
        m_missing.clear();
    }

    // Only now, with everything on disk, do the objects take their new state.
    for (const auto& object : m_deleted)
        m_registered.erase({ object->entityName(), object->m_rowId });
    for (size_t i = 0; i < m_inserted.size(); ++i) {
        auto& object = m_inserted[i];
        object->m_rowId = newRowIds[i];
        m_registered[{ object->entityName(), object->m_rowId }] = object;
    }
    auto settle = [](ManagedObject& object) {
        for (auto& [name, slot] : object.m_slots) {
            slot.changed = false;
            const AttributeDescription* attribute = object.attribute(name);
            if (attribute && attribute->loadedOnDemand && slot.loaded) {
                slot.loaded = false; // the file has it now; memory need not
                slot.value.reset();
            }
        }
    };
    for (auto& object : m_inserted)
        settle(*object);
    for (auto& object : m_updated)
        settle(*object);
    m_inserted.clear();
    m_deleted.clear();
    m_updated.clear();
    // Forget rows nobody holds any more.
    std::erase_if(m_registered, [](const auto& entry) { return entry.second.expired(); });
    return {};
}

Result<std::optional<Bytes>> ObjectStore::loadValue(const ManagedObject& object, const std::string& attribute)
{
    auto statement = m_database->prepare("SELECT " + quoted(attribute) + " FROM " + quoted(object.entityName()) + " WHERE Z_PK = ?");
    if (!statement)
        return std::unexpected(statement.error());
    if (auto bound = statement->bind(1, object.rowId()); !bound)
        return std::unexpected(bound.error());
    auto row = statement->step();
    if (!row)
        return std::unexpected(row.error());
    if (!*row || statement->isNull(0))
        return std::optional<Bytes>();
    return std::optional<Bytes>(statement->columnBlob(0));
}

Result<Bytes> ObjectStore::loadPrefix(const ManagedObject& object, const std::string& attribute, std::size_t count)
{
    return m_database->readBlobPrefix(object.entityName(), attribute, object.rowId(), count);
}

}
