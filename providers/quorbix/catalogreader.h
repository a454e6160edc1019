#pragma once

#include <sqlite3.h>

#include <array>
#include <cassert>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "boundedfunctions.h"
#include "catalog.h"
#include "dataaccess_api.h"

namespace quorbix {

// Reads the objects of one kind from a catalog database into a Catalog.
//
// The file is opened strictly read-only, read inside a single short read
// transaction so the rows form one consistent snapshot, and closed again
// before Read returns: afterwards no lock or file handle is left behind,
// whatever the outcome.
class CatalogReader {
public:
    // The row queries, one for each name under which SQLite offers the row id;
    // the first that no column of the table hides is used. Fixed text: the
    // kind is always bound, never spliced in. The kind matches byte for byte
    // whatever collation the column declares (one the file's maker defined
    // included). Each can walk an index on objects(kind, name COLLATE NOCASE)
    // in order without sorting. Objects of equal names come in the order of
    // the index, which for the recommended covering index is that of their
    // dates: the reader puts them in the order of their row ids itself,
    // which costs far less than SQLite sorting each group of them.
    static constexpr std::array<const char*, 3> kRowQueries = {
        "SELECT rowid, name, date_created, date_updated FROM main.objects "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY name COLLATE NOCASE",
        "SELECT _rowid_, name, date_created, date_updated FROM main.objects "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY name COLLATE NOCASE",
        "SELECT oid, name, date_created, date_updated FROM main.objects "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY name COLLATE NOCASE",
    };
    // The same rows in the order of their row ids, for a catalog without an
    // index to walk: SQLite would sort them all in memory, alongside the
    // copy being filled, and the Catalog sorts them in place for less. A
    // scan of the table needs no sort for that order.
    static constexpr std::array<const char*, 3> kScanQueries = {
        "SELECT rowid, name, date_created, date_updated FROM main.objects NOT INDEXED "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY rowid",
        "SELECT _rowid_, name, date_created, date_updated FROM main.objects NOT INDEXED "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY _rowid_",
        "SELECT oid, name, date_created, date_updated FROM main.objects NOT INDEXED "
        "WHERE kind = ?1 COLLATE BINARY ORDER BY oid",
    };

    // How long a writer may keep the database locked before Read gives up.
    static constexpr int kBusyTimeoutMilliseconds = 2000;
    // The longest value shown, in bytes; a longer one is refused.
    static constexpr int kMaxValueBytes = 1 << 20;
    // The virtual-machine steps one row may take. Reading a row of an
    // ordinary catalog takes a few dozen, with or without an index.
    static constexpr std::uint64_t kStepsPerRow = 10000;
    // The longest program SQLite may run for a row query of a catalog that
    // computes columns. SQLite's program runs straight through a row, so a
    // row costs at most this many steps of at most what one function call
    // may cost (see BoundedFunctions and kMaxComputedBytes): a few seconds.
    // An ordinary row query takes about 40; each computed date a few more.
    static constexpr int kMaxProgramSteps = 300;
    // A value SQLite makes while computing a column may be at most this long:
    // twice what is shown, and it bounds what one function call can cost.
    static constexpr int kMaxComputedBytes = kMaxValueBytes * 2;
    // The bytes the Catalog may hold: what the file's own bytes can justify,
    // with room for an ordinary row's 23 bytes from as few as 15 in the file,
    // and a floor for small files. A value the schema repeats in every row (a
    // default) or computes is not in the file, so cannot raise it.
    static constexpr std::uint64_t kBaseBytes = std::uint64_t{32} << 20;
    static constexpr std::uint64_t kBytesPerFileByte = 8;

    // path must be absolute and name a regular file (see DatabasePath): SQLite
    // would otherwise read "file:" names as URIs, and block on a FIFO.
    explicit CatalogReader(std::string path) : path_(std::move(path)) { assert(path_.starts_with('/')); }

    dataaccess::Status Read(std::string_view kind, Catalog& catalog);

private:
    struct ConnectionCloser {
        void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
    };
    using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
    using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    // Bounds the work of one statement: past kStepsPerRow steps for each row
    // it read from the table (or handed back), SQLite stops it with
    // SQLITE_INTERRUPT. Only the statement's own steps count. SQLite checks
    // only where its program jumps, so the steps of one row are bounded apart
    // (LimitRead). A walk sorts all of a kind's objects (an index on kind
    // alone) or of one name (the ties of a covering index) before it hands
    // back the first: heldRows, as many as the table may hold, are counted
    // as read from the start.
    class WorkBudget {
    public:
        WorkBudget(sqlite3* db, sqlite3_stmt* statement, std::uint64_t heldRows);
        ~WorkBudget();
        WorkBudget(const WorkBudget&) = delete;
        WorkBudget& operator=(const WorkBudget&) = delete;
        void RowRead() noexcept { ++rows_; }

    private:
        static int Check(void* budget) noexcept;
        sqlite3* db_;
        sqlite3_stmt* statement_;
        std::uint64_t heldRows_;
        std::uint64_t rows_ = 0;
        std::uint64_t steps_ = 0;
    };
    // Keeps kStepsPerRow times the rows held far from overflow.
    static constexpr double kMaxHeldRows = 1e12;
    // SQLite's own busy handler sleeps up to 100 ms between tries and so
    // misses the short gaps of a writer that commits back to back.
    static int WaitForLock(void* reader, int tries) noexcept;

    dataaccess::Status Connect();
    // Opens the file; one on a read-only file system with nothing beside it
    // to apply is opened as unchanging, which WAL mode then needs no "-shm" for.
    int OpenConnection();
    dataaccess::Status Configure();
    // Sets sort when the rows came in the order of their row ids.
    dataaccess::Status ReadInTransaction(std::string_view kind, Catalog& catalog, bool& sort);
    // Checks the table and its columns; sets which to the row id's name to use.
    dataaccess::Status CheckCatalogTable(std::size_t& which);
    dataaccess::Status CheckTableType();
    dataaccess::Status CheckColumns(std::size_t& which);
    // Bounds what reading the rows with query which may cost, by the schema and
    // the file's size.
    dataaccess::Status LimitRead(std::size_t which);
    // The refusal of a catalog whose values would take more than byteBudget_.
    dataaccess::Status TooCostly(const Catalog& catalog) const;
    // Sets sort when reading the table in row order and sorting costs less
    // than SQLite's ordered query (see ChooseReadPlan).
    dataaccess::Status ChoosePlan(std::string_view kind, std::size_t which, bool& sort);
    // Runs query, one of kRowQueries (inRowOrder false) or kScanQueries.
    dataaccess::Status LoadRows(const char* query, std::string_view kind, Catalog& catalog, bool inRowOrder);
    // Checks the current row's values and, unless into is null, appends them.
    dataaccess::Status ReadRow(sqlite3_stmt* row, Catalog* into) const;
    // Appends one of the row's values, text already read.
    static void AppendCell(sqlite3_stmt* row, int column, int type, std::string_view text, Catalog& into);
    dataaccess::Status Execute(const char* sql);
    dataaccess::Status Prepare(const char* sql, Statement& statement);
    // Turns an SQLite result code into the provider's error, while the
    // connection still holds SQLite's message for it.
    dataaccess::Status Failure(int result) const;

    std::string path_;
    BoundedFunctions functions_;  // before db_, which it must outlive
    Connection db_;
    std::chrono::steady_clock::time_point lockWaitStarted_;
    // Whether the schema computes a column the reader reads (a virtual
    // generated column): a value too long for SQLite then says the catalog
    // asks for too much work, not that it stores too long a value.
    bool computesColumns_ = false;
    std::uint64_t byteBudget_ = kBaseBytes;
    // The rows a walk may sort before it hands back the first (WorkBudget).
    std::uint64_t heldRows_ = 0;
};

}  // namespace quorbix
