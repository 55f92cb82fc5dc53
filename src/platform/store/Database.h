#pragma once

#include <platform/foundation/Error.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vd::store {

class Statement;

// One open SQLite connection. Opens in open(), closes when destroyed.
class Database {
public:
    enum class Access { ReadOnly, ReadWrite, ReadWriteCreate };

    static Result<Database> open(const std::filesystem::path& path, Access access);

    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;
    ~Database() = default;

    Result<void> execute(std::string_view sql); // one or more statements without results
    Result<Statement> prepare(std::string_view sql);

    Result<int> userVersion();
    Result<void> setUserVersion(int version);
    std::int64_t lastInsertRowId() const;

    // The first bytes of one stored blob, read without loading the rest of it.
    Result<std::vector<std::uint8_t>> readBlobPrefix(const std::string& table, const std::string& column, std::int64_t rowId, std::size_t count);

    const std::filesystem::path& path() const { return m_path; }
    std::string lastErrorMessage() const;
    sqlite3* handle() const { return m_handle.get(); }

private:
    struct Closer {
        void operator()(sqlite3* handle) const;
    };
    Database(std::unique_ptr<sqlite3, Closer> handle, std::filesystem::path path);

    std::unique_ptr<sqlite3, Closer> m_handle;
    std::filesystem::path m_path;
};

// A prepared statement. Parameters are numbered from 1, result columns from 0.
class Statement {
public:
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;
    ~Statement() = default;

    Result<void> bind(int index, std::int64_t value);
    Result<void> bind(int index, std::string_view text);
    Result<void> bindBlob(int index, std::span<const std::uint8_t> bytes); // not copied: keep the bytes until the statement is stepped
    Result<void> bindDouble(int index, double value);
    Result<void> bindNull(int index);

    Result<bool> step(); // true while a row is available, false when done
    void reset();        // ready to step again; bindings stay

    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t columnInt64(int column) const;
    double columnDouble(int column) const;
    std::string columnText(int column) const;
    std::vector<std::uint8_t> columnBlob(int column) const;

private:
    friend class Database;
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    Statement(sqlite3* database, sqlite3_stmt* statement);
    Result<void> check(int code, const char* what);

    sqlite3* m_database { nullptr };
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
};

// BEGIN IMMEDIATE on creation; rolls back when destroyed unless commit() succeeded.
class Transaction {
public:
    static Result<Transaction> begin(Database& database);
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(const Transaction&) = delete;
    ~Transaction();

    Result<void> commit();

private:
    explicit Transaction(Database& database);
    Database* m_database { nullptr };
    bool m_open { false };
};

}
