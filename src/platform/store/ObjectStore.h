#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vd::store {

class Database;
class ObjectStore;

using Bytes = std::vector<std::uint8_t>;

struct AttributeDescription {
    enum class Kind { String, Binary };
    std::string name;
    Kind kind { Kind::Binary };
    // Large values (full pictures) are not read by fetches; they are read from the file each time
    // they are asked for, so a fetch of many rows stays small.
    bool loadedOnDemand { false };
};

struct EntityDescription {
    std::string name;
    std::vector<AttributeDescription> attributes; // every attribute is optional
};

// The schema of a store. A file written with an older version gets the attributes it lacks; a
// file written with a newer version is refused.
struct ObjectModel {
    std::string name;
    int version { 1 };
    std::vector<EntityDescription> entities;
};

// One stored row of an entity. Values may be absent; an absent value and an empty one differ.
class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
public:
    const std::string& entityName() const { return m_entity->name; }
    std::int64_t rowId() const { return m_rowId; } // 0 until the object is saved
    bool isDeleted() const { return m_deleted; }

    bool hasValue(const std::string& attribute) const; // never reads a value from the file
    // Reads an on-demand value from the file when needed; fails when the file cannot be read.
    Result<std::optional<Bytes>> value(const std::string& attribute) const;
    // The first count bytes of a value (the header of a stored picture), without reading the rest.
    Result<Bytes> valuePrefix(const std::string& attribute, std::size_t count) const;
    std::optional<std::string> stringValue(const std::string& attribute) const;

    void setValue(const std::string& attribute, std::optional<Bytes> value);
    void setString(const std::string& attribute, std::optional<std::string> value);

    // ManagedObjects are made by ObjectStore only; the key keeps the constructor out of reach.
    struct Key {
    private:
        friend class ObjectStore;
        Key() = default;
    };
    ManagedObject(Key, const EntityDescription* entity, std::weak_ptr<ObjectStore> store);

private:
    friend class ObjectStore;
    struct Slot {
        bool present { false };
        bool loaded { false }; // value holds the content (otherwise it is in the file)
        bool changed { false };
        std::optional<Bytes> value;
    };
    const AttributeDescription* attribute(const std::string& name) const;

    const EntityDescription* m_entity;
    std::weak_ptr<ObjectStore> m_store;
    std::map<std::string, Slot> m_slots;
    std::int64_t m_rowId { 0 };
    bool m_deleted { false };
};

// The object store over one SQLite file and the one context through which rows are fetched,
// inserted, deleted and saved. Changes stay in memory until save(), which writes them all in one
// transaction. Fetches return the same object for the same row while anyone holds it.
class ObjectStore : public std::enable_shared_from_this<ObjectStore> {
public:
    // A missing file is created with the model's schema; where it cannot be (read-only media, a
    // full disk) the store reads as empty and the first save creates it. An existing file is
    // checked read-only (an SQLite file, this program's schema, not newer than the model) and
    // never written by opening: what an older file lacks reads as absent and is added by the
    // first save. A file that is refused, or only read, stays exactly as it was.
    static Result<std::shared_ptr<ObjectStore>> open(const std::filesystem::path& path, ObjectModel model);
    ~ObjectStore();

    // Every row of the entity in insertion order, then the unsaved inserted objects; deleted
    // objects are left out.
    Result<std::vector<std::shared_ptr<ManagedObject>>> fetchAll(const std::string& entity);
    std::shared_ptr<ManagedObject> insertNewObject(const std::string& entity); // nullptr for an unknown entity
    void deleteObject(const std::shared_ptr<ManagedObject>& object);

    bool hasChanges() const;
    Result<void> save();

    const std::filesystem::path& path() const { return m_path; }
    const ObjectModel& model() const { return m_model; }
    // Why the file could not be made when the store was opened without one (the store then reads
    // as empty and the first save tries again); none when it could, or existed.
    const std::optional<Error>& creationFailure() const { return m_creationFailure; }

    struct Key {
    private:
        friend class ObjectStore;
        Key() = default;
    };
    ObjectStore(Key, std::filesystem::path path, ObjectModel model, std::unique_ptr<Database> database);

private:
    friend class ManagedObject;
    const EntityDescription* entity(const std::string& name) const;
    Result<std::optional<Bytes>> loadValue(const ManagedObject& object, const std::string& attribute);
    Result<Bytes> loadPrefix(const ManagedObject& object, const std::string& attribute, std::size_t count);
    void markUpdated(const std::shared_ptr<ManagedObject>& object);
    Result<void> saveChanges();

    std::filesystem::path m_path;
    std::optional<Error> m_creationFailure;
    ObjectModel m_model;
    std::unique_ptr<Database> m_database;
    std::map<std::pair<std::string, std::int64_t>, std::weak_ptr<ManagedObject>> m_registered;
    std::vector<std::shared_ptr<ManagedObject>> m_inserted;
    std::vector<std::shared_ptr<ManagedObject>> m_deleted;
    std::vector<std::shared_ptr<ManagedObject>> m_updated;
    // An older file is brought up to the model by the first save, before its own changes.
    bool m_schemaPending { false };
    std::set<std::pair<std::string, std::string>> m_missing; // read as absent until then
};

}
