#include <platform/store/Database.h>

#include <sqlite3.h>

namespace vd::store {

namespace {
std::string describe(sqlite3* database, int code)
{
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        return "busy: another program kept the store locked too long; try again";
    if ((code & 0xff) == SQLITE_FULL)
        return "the disk is full";
    std::string text = sqlite3_errstr(code);
    if (database) {
        const char* detail = sqlite3_errmsg(database);
        if (detail && text != detail)
            text += std::string(" (") + detail + ")";
    }
    return text;
}
}

void Database::Closer::operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }

Database::Database(std::unique_ptr<sqlite3, Closer> handle, std::filesystem::path path)
    : m_handle(std::move(handle))
    , m_path(std::move(path))
{
}

Result<Database> Database::open(const std::filesystem::path& path, Access access)
{
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (access) {
    case Access::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Access::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Access::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    std::unique_ptr<sqlite3, Closer> handle(raw);
    if (code != SQLITE_OK)
        return fail(path.string(), "cannot open the store: " + describe(raw, code));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, 2000);
    return Database(std::move(handle), path);
}

Result<void> Database::execute(std::string_view sql)
{
    const std::string text(sql);
    char* message = nullptr;
    const int code = sqlite3_exec(m_handle.get(), text.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const int primary = code & 0xff;
        std::string reason = primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_FULL ? describe(m_handle.get(), code) : message ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        return fail(m_path.string(), reason);
    }
    return {};
}

Result<Statement> Database::prepare(std::string_view sql)
{
    sqlite3_stmt* raw = nullptr;
    const int code = sqlite3_prepare_v2(m_handle.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement statement(m_handle.get(), raw);
    if (code != SQLITE_OK)
        return fail(m_path.string(), describe(m_handle.get(), code));
    return statement;
}

Result<int> Database::userVersion()
{
    auto statement = prepare("PRAGMA user_version");
    if (!statement)
        return std::unexpected(statement.error());
    auto row = statement->step();
    if (!row)
        return std::unexpected(row.error());
    return *row ? static_cast<int>(statement->columnInt64(0)) : 0;
}

Result<void> Database::setUserVersion(int version) { return execute("PRAGMA user_version = " + std::to_string(version)); }

std::int64_t Database::lastInsertRowId() const { return sqlite3_last_insert_rowid(m_handle.get()); }

std::string Database::lastErrorMessage() const { return sqlite3_errmsg(m_handle.get()); }

Result<std::vector<std::uint8_t>> Database::readBlobPrefix(const std::string& table, const std::string& column, std::int64_t rowId, std::size_t count)
{
    sqlite3_blob* blob = nullptr;
    int code = sqlite3_blob_open(m_handle.get(), "main", table.c_str(), column.c_str(), rowId, 0, &blob);
    if (code != SQLITE_OK) {
        sqlite3_blob_close(blob);
        return fail(m_path.string(), "row " + std::to_string(rowId) + " of " + table + ": " + describe(m_handle.get(), code));
    }
    const std::size_t size = static_cast<std::size_t>(sqlite3_blob_bytes(blob));
    std::vector<std::uint8_t> bytes(std::min(size, count));
    code = bytes.empty() ? SQLITE_OK : sqlite3_blob_read(blob, bytes.data(), static_cast<int>(bytes.size()), 0);
    sqlite3_blob_close(blob);
    if (code != SQLITE_OK)
        return fail(m_path.string(), "row " + std::to_string(rowId) + " of " + table + ": " + describe(m_handle.get(), code));
    return bytes;
}

void Statement::Finalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

Statement::Statement(sqlite3* database, sqlite3_stmt* statement)
    : m_database(database)
    , m_statement(statement)
{
}

Result<void> Statement::check(int code, const char* what)
{
    if (code == SQLITE_OK)
        return {};
    return fail(std::string(what), describe(m_database, code));
}

Result<void> Statement::bind(int index, std::int64_t value) { return check(sqlite3_bind_int64(m_statement.get(), index, value), "binding an integer"); }

Result<void> Statement::bind(int index, std::string_view text)
{
    return check(sqlite3_bind_text64(m_statement.get(), index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8), "binding a text");
}

Result<void> Statement::bindBlob(int index, std::span<const std::uint8_t> bytes)
{
    // A zero-length blob stays a blob (not NULL): absent and empty are different values.
    static const std::uint8_t nothing = 0;
    return check(sqlite3_bind_blob64(m_statement.get(), index, bytes.empty() ? &nothing : bytes.data(), bytes.size(), SQLITE_STATIC), "binding a blob");
}

Result<void> Statement::bindDouble(int index, double value) { return check(sqlite3_bind_double(m_statement.get(), index, value), "binding a real"); }

Result<void> Statement::bindNull(int index) { return check(sqlite3_bind_null(m_statement.get(), index), "binding null"); }

Result<bool> Statement::step()
{
    const int code = sqlite3_step(m_statement.get());
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    return fail(std::string(sqlite3_db_filename(m_database, "main")), describe(m_database, code));
}

void Statement::reset() { sqlite3_reset(m_statement.get()); }

int Statement::columnCount() const { return sqlite3_column_count(m_statement.get()); }

bool Statement::isNull(int column) const { return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL; }

std::int64_t Statement::columnInt64(int column) const { return sqlite3_column_int64(m_statement.get(), column); }

double Statement::columnDouble(int column) const { return sqlite3_column_double(m_statement.get(), column); }

std::string Statement::columnText(int column) const
{
    const auto* text = sqlite3_column_text(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::vector<std::uint8_t> Statement::columnBlob(int column) const
{
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_statement.get(), column));
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    return data ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
}

Transaction::Transaction(Database& database)
    : m_database(&database)
    , m_open(true)
{
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_database(other.m_database)
    , m_open(other.m_open)
{
    other.m_open = false;
}

Result<Transaction> Transaction::begin(Database& database)
{
    if (auto begun = database.execute("BEGIN IMMEDIATE"); !begun)
        return std::unexpected(begun.error());
    return Transaction(database);
}

Transaction::~Transaction()
{
    if (m_open)
        (void)m_database->execute("ROLLBACK");
}

Result<void> Transaction::commit()
{
    if (!m_open)
        return fail(m_database->path().string(), "no transaction to commit");
    auto committed = m_database->execute("COMMIT");
    if (!committed)
        return committed; // still open: the destructor rolls it back
    m_open = false;
    return {};
}

}
