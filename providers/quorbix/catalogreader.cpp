#include "catalogreader.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <vector>

#include "databasepath.h"
#include "datetext.h"
#include "quorbixerrors.h"
#include "readplan.h"
#include "regularfiles.h"
#include "sqlitefailure.h"

namespace quorbix {

namespace {

// The catalog's columns as the reader needs them, in the order of a row query.
constexpr std::array<std::string_view, 4> kRequiredColumns = {"kind", "name", "date_created", "date_updated"};
constexpr std::array<std::string_view, 3> kRowIdNames = {"rowid", "_rowid_", "oid"};
// How often SQLite reports its steps to the work budget.
constexpr int kStepsBetweenChecks = 1000;

std::string_view ColumnText(sqlite3_stmt* statement, int column) {
    // Text first, then its length: that order never converts the value twice.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const int bytes = sqlite3_column_bytes(statement, column);
    return text == nullptr ? std::string_view() : std::string_view(text, static_cast<std::size_t>(bytes));
}

// Whether path is on a read-only file system with no journal and no
// write-ahead log holding changes beside it: then no one can change the file
// while it is read, and it may be read as unchanging (SQLite's "immutable").
bool Unchanging(const std::string& path) {
    struct statvfs system {};
    if (statvfs(path.c_str(), &system) != 0 || (system.f_flag & ST_RDONLY) == 0) return false;
    struct stat info {};
    if (lstat((path + "-journal").c_str(), &info) == 0 || errno != ENOENT) return false;
    if (lstat((path + "-wal").c_str(), &info) == 0) return S_ISREG(info.st_mode) && info.st_size == 0;
    return errno == ENOENT;
}

// An absolute path as an SQLite URI that opens the file as unchanging.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
        // Only ASCII letters and digits as they are, whatever the locale.
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || c == '/' || c == '.' || c == '_' || c == '-' || c == '~') {
            uri += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        }
    }
    return uri + "?immutable=1";
}

// The size of one of the connection's open files, 0 when there is none.
sqlite3_int64 FileBytes(sqlite3* db, int operation) {
    sqlite3_file* file = nullptr;
    sqlite3_int64 bytes = 0;
    if (sqlite3_file_control(db, "main", operation, &file) == SQLITE_OK && file != nullptr &&
        file->pMethods != nullptr && file->pMethods->xFileSize(file, &bytes) != SQLITE_OK) {
        bytes = 0;
    }
    return bytes;
}

// The bad object that sorts first among those met so far: its name, as the
// sort compares names, its row id and its error.
class FirstBadObject {
public:
    // Where a row sorts against the bad object kept, by name, then row id.
    enum class Place { kBefore, kAfter, kPastItsName };

    bool Found() const noexcept { return !status_.ok(); }
    Place PlaceOf(sqlite3_stmt* row) const {
        std::uint64_t number = 0;
        std::string_view bytes;
        const int order = Catalog::CompareNames(Name(row, number, bytes), bytes, type_, name_);
        if (order > 0) return Place::kPastItsName;
        return order < 0 || sqlite3_column_int64(row, 0) < rowId_ ? Place::kBefore : Place::kAfter;
    }
    void Keep(sqlite3_stmt* row, dataaccess::Status status) {
        std::uint64_t number = 0;
        std::string_view bytes;
        type_ = Name(row, number, bytes);
        name_.assign(bytes);
        rowId_ = sqlite3_column_int64(row, 0);
        status_ = std::move(status);
    }
    dataaccess::Status Status() const { return status_; }

private:
    // The row's name: its type, and its bytes (a number's are put in number).
    static int Name(sqlite3_stmt* row, std::uint64_t& number, std::string_view& bytes) {
        const int type = sqlite3_column_type(row, 1);
        if (type == SQLITE_INTEGER) number = static_cast<std::uint64_t>(sqlite3_column_int64(row, 1));
        if (type == SQLITE_FLOAT) number = std::bit_cast<std::uint64_t>(sqlite3_column_double(row, 1));
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            bytes = std::string_view(reinterpret_cast<const char*>(&number), sizeof number);
        } else if (type == SQLITE_BLOB) {
            const void* blob = sqlite3_column_blob(row, 1);
            bytes = std::string_view(static_cast<const char*>(blob),
                                     static_cast<std::size_t>(sqlite3_column_bytes(row, 1)));
        } else {
            bytes = ColumnText(row, 1);
        }
        return type;
    }

    int type_ = SQLITE_NULL;
    std::string name_;
    std::int64_t rowId_ = 0;
    dataaccess::Status status_;
};

// The row ids of the last objects appended in name order whose names are
// equal, which SQLite hands back in the order of the index it walks; each
// such group is put in the order of its row ids once it is complete.
class EqualNames {
public:
    void Appended(Catalog& catalog, std::int64_t rowId) {
        if (!rowIds_.empty() && catalog.LastNameRepeats()) {
            rowIds_.push_back(rowId);
            return;
        }
        Order(catalog, catalog.RowCount() - 1);
        rowIds_.assign(1, rowId);
    }
    // Orders the group, which ends before row end.
    void Order(Catalog& catalog, std::size_t end) const {
        if (!std::is_sorted(rowIds_.begin(), rowIds_.end()))
            catalog.OrderByRowId(end - rowIds_.size(), rowIds_);
    }

private:
    std::vector<std::int64_t> rowIds_;
};

}  // namespace

dataaccess::Status CatalogReader::Read(std::string_view kind, Catalog& catalog) {
    dataaccess::Status status = Connect();
    bool sort = false;
    if (status.ok()) status = ReadInTransaction(kind, catalog, sort);
    // Closing also ends a transaction left open by a failure, and releases
    // every lock and file handle before the caller sees the outcome. It gives
    // back SQLite's page cache before the sort too.
    db_.reset();
    if (!status.ok()) return status;
    if (sort) catalog.SortByName();
    catalog.FinishLoading();
    return status;
}

dataaccess::Status CatalogReader::Connect() {
    RegularFiles::Install();
    RegularFiles::TakeRefusal();  // one left by another connection of this thread
    const int opened = OpenConnection();
    if (!db_)
        return {errors::kOutOfMemory, "Out of memory while opening the database " + Quoted(path_) + "."};
    if (opened != SQLITE_OK) {
        // Something other than a file was swapped in since the path was checked.
        if (const auto refused = RegularFiles::TakeRefusal())
            return {errors::kNotARegularFile, "The database " + Quoted(path_) + " is " + refused->why + "."};
        // The system refused to read the file's first bytes: a file of /proc
        // such as a process's memory, or a failing disk.
        return Failure((opened & 0xFF) == SQLITE_IOERR ? SQLITE_CANTOPEN : opened);
    }
    return Configure();
}

int CatalogReader::OpenConnection() {
    sqlite3* raw = nullptr;
    // Read-only, and a URI only when made here: a missing file is never
    // created, and the name is never taken for anything but a file. The
    // connection never leaves this thread, so SQLite's per-call mutex is pure
    // cost.
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    const int opened = Unchanging(path_) ? sqlite3_open_v2(ImmutableUri(path_).c_str(), &raw,
                                                           flags | SQLITE_OPEN_URI, nullptr)
                                         : sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
    db_.reset(raw);
    return opened;
}

dataaccess::Status CatalogReader::Configure() {
    // The file may come from anyone: do not let its schema run functions with
    // side effects, and refuse anything that could alter it.
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, static_cast<int*>(nullptr));
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, static_cast<int*>(nullptr));
    sqlite3_busy_handler(db_.get(), &CatalogReader::WaitForLock, this);
    // Read-only refusals differ only in their extended codes (see SqliteFailure).
    sqlite3_extended_result_codes(db_.get(), 1);
    // Sorting a catalog that lacks its index must not spill into temporary
    // files: nothing is ever written.
    return Execute("PRAGMA query_only = 1; PRAGMA temp_store = MEMORY");
}

int CatalogReader::WaitForLock(void* reader, int tries) noexcept {
    auto& self = *static_cast<CatalogReader*>(reader);
    const auto now = std::chrono::steady_clock::now();
    if (tries == 0) self.lockWaitStarted_ = now;
    if (now - self.lockWaitStarted_ >= std::chrono::milliseconds(kBusyTimeoutMilliseconds)) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    return 1;
}

CatalogReader::WorkBudget::WorkBudget(sqlite3* db, sqlite3_stmt* statement, std::uint64_t heldRows)
    : db_(db), statement_(statement), heldRows_(heldRows) {
    sqlite3_progress_handler(db_, kStepsBetweenChecks, &WorkBudget::Check, this);
}

CatalogReader::WorkBudget::~WorkBudget() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }

int CatalogReader::WorkBudget::Check(void* budget) noexcept {
    auto& self = *static_cast<WorkBudget*>(budget);
    self.steps_ += kStepsBetweenChecks;
    // Rows read are those handed back, plus those a scan without an index
    // passed over, plus those a walk may sort before it hands back any.
    const auto scanned =
        static_cast<std::uint64_t>(sqlite3_stmt_status(self.statement_, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0));
    return self.steps_ > kStepsPerRow * (1 + self.rows_ + scanned + self.heldRows_) ? 1 : 0;
}

dataaccess::Status CatalogReader::ReadInTransaction(std::string_view kind, Catalog& catalog, bool& sort) {
    // One read transaction for the schema checks, the plan and the rows, so
    // that all see the same state of the file even while another program writes.
    // Reading a header value starts it at once, so that SQLite reads the
    // schema inside it too rather than under a lock of its own before.
    dataaccess::Status status = Execute("BEGIN; PRAGMA main.schema_version");
    std::size_t which = 0;
    if (status.ok()) status = CheckCatalogTable(which);
    if (status.ok()) status = ChoosePlan(kind, which, sort);
    if (status.ok()) status = LoadRows(sort ? kScanQueries[which] : kRowQueries[which], kind, catalog, sort);
    if (status.ok()) status = Execute("COMMIT");
    return status;
}

dataaccess::Status CatalogReader::ChoosePlan(std::string_view kind, std::size_t which, bool& sort) {
    ReadPlan plan = ReadPlan::kWalk;
    double held = 0;
    const int result = ChooseReadPlan(db_.get(), kind, kRowIdNames[which], plan, held);
    sort = plan == ReadPlan::kScan;
    heldRows_ = static_cast<std::uint64_t>(std::clamp(held, 0.0, kMaxHeldRows));
    return result == SQLITE_OK ? dataaccess::Status{} : Failure(result);
}

dataaccess::Status CatalogReader::CheckCatalogTable(std::size_t& which) {
    dataaccess::Status status = CheckTableType();
    if (status.ok()) status = CheckColumns(which);
    // A read runs a function of the schema's only where it computes a
    // column read (triggers and CHECK constraints run on writes, an index
    // is read as stored, a default is a constant): only then are the costly
    // ones bounded, before any statement that reads a row is prepared.
    if (status.ok() && computesColumns_) {
        if (const int installed = functions_.Install(db_.get()); installed != SQLITE_OK)
            status = Failure(installed);
    }
    if (status.ok()) status = LimitRead(which);
    return status;
}

dataaccess::Status CatalogReader::CheckTableType() {
    // The PRAGMA statements, here and in CheckColumns, cost far less to
    // prepare on a fresh connection than their table-valued forms. A row:
    // schema, name, type, ncol, wr, strict.
    Statement table;
    if (auto status = Prepare("PRAGMA main.table_list('objects')", table); !status.ok()) return status;
    const int found = sqlite3_step(table.get());
    if (found == SQLITE_DONE) {
        return {errors::kCatalogMissing, "The database " + Quoted(path_) +
                                             " has no table 'objects', which holds the catalog of forms, "
                                             "queries and reports."};
    }
    if (found != SQLITE_ROW) return Failure(found);

    // Only an ordinary rowid table gives stable row numbers to order ties by
    // and to name in messages.
    const std::string_view type = ColumnText(table.get(), 2);
    const char* unusable = nullptr;
    if (type == "view") {
        unusable = "a view";
    } else if (type == "virtual") {
        unusable = "a virtual table";
    } else if (type != "table") {
        unusable = "a shadow table";
    } else if (sqlite3_column_int(table.get(), 4) != 0) {
        unusable = "a WITHOUT ROWID table";
    }
    if (unusable == nullptr) return {};
    return {errors::kCatalogNotATable, "The catalog 'objects' in the database " + Quoted(path_) + " is " +
                                           unusable + "; it must be an ordinary table."};
}

dataaccess::Status CatalogReader::CheckColumns(std::size_t& which) {
    // A row: cid, name, type, notnull, dflt_value, pk, hidden.
    Statement columns;
    if (auto status = Prepare("PRAGMA main.table_xinfo('objects')", columns); !status.ok()) return status;
    std::array<bool, kRequiredColumns.size()> present{};
    std::array<bool, kRowIdNames.size()> hidden{};
    int stepped;
    while ((stepped = sqlite3_step(columns.get())) == SQLITE_ROW) {
        const std::string_view name = ColumnText(columns.get(), 1);
        for (std::size_t i = 0; i < kRequiredColumns.size(); ++i) {
            const bool required = dataaccess::EqualsIgnoringAsciiCase(name, kRequiredColumns[i]);
            present[i] |= required;
            // 2: a virtual generated column, computed on every read.
            computesColumns_ |= required && sqlite3_column_int(columns.get(), 6) == 2;
        }
        for (std::size_t i = 0; i < kRowIdNames.size(); ++i)
            hidden[i] |= dataaccess::EqualsIgnoringAsciiCase(name, kRowIdNames[i]);
    }
    if (stepped != SQLITE_DONE) return Failure(stepped);

    std::string missing;
    for (std::size_t i = 0; i < kRequiredColumns.size(); ++i) {
        if (!present[i]) missing += (missing.empty() ? "" : ", ") + std::string(kRequiredColumns[i]);
    }
    if (!missing.empty()) {
        return {errors::kCatalogColumnsMissing, "The catalog table 'objects' in the database " +
                                                    Quoted(path_) + " lacks the column(s): " + missing + "."};
    }
    which = static_cast<std::size_t>(std::find(hidden.begin(), hidden.end(), false) - hidden.begin());
    if (which < kRowIdNames.size()) return {};
    return {errors::kCatalogNotATable, "The catalog 'objects' in the database " + Quoted(path_) +
                                           " has columns named rowid, _rowid_ and oid, which hide its row "
                                           "numbers; it must be an ordinary table."};
}

dataaccess::Status CatalogReader::LimitRead(std::size_t which) {
    // The file and its write-ahead log, as opened: the schema's read opened both.
    const auto fileBytes = static_cast<std::uint64_t>(FileBytes(db_.get(), SQLITE_FCNTL_FILE_POINTER) +
                                                      FileBytes(db_.get(), SQLITE_FCNTL_JOURNAL_POINTER));
    byteBudget_ = kBaseBytes + kBytesPerFileByte * fileBytes;
    if (!computesColumns_) return {};
    sqlite3_limit(db_.get(), SQLITE_LIMIT_LENGTH, kMaxComputedBytes);
    Statement program;
    if (auto status = Prepare(("EXPLAIN " + std::string(kRowQueries[which])).c_str(), program); !status.ok())
        return status;
    int steps = 0;
    while (sqlite3_step(program.get()) == SQLITE_ROW) ++steps;
    if (steps <= kMaxProgramSteps) return {};
    return {errors::kTooMuchWork, "The catalog in the database " + Quoted(path_) +
                                      " asks for too much work to read: its schema computes the columns "
                                      "read with a program of " +
                                      std::to_string(steps) + " steps for each object, more than " +
                                      std::to_string(kMaxProgramSteps) + "."};
}

dataaccess::Status CatalogReader::TooCostly(const Catalog& catalog) const {
    return {errors::kTooMuchWork,
            "The catalog in the database " + Quoted(path_) + " asks for too much memory to read: its first " +
                std::to_string(catalog.RowCount()) + " objects' names and dates already take " +
                std::to_string(catalog.StoredBytes()) + " bytes, more than its file of " +
                std::to_string((byteBudget_ - kBaseBytes) / kBytesPerFileByte) +
                " bytes can hold; its schema gives them a value it does not store (a default, or a "
                "computed column)."};
}

dataaccess::Status CatalogReader::LoadRows(const char* query, std::string_view kind, Catalog& catalog,
                                           bool inRowOrder) {
    Statement rows;
    if (auto status = Prepare(query, rows); !status.ok()) return status;
    // The kind outlives the statement, so SQLite need not copy it.
    const int bound =
        sqlite3_bind_text(rows.get(), 1, kind.data(), static_cast<int>(kind.size()), SQLITE_STATIC);
    if (bound != SQLITE_OK) return Failure(bound);

    // The error must name the bad object that sorts first, by name and then
    // row id. In name order the read ends after the first bad object's name;
    // in row order it goes on, keeps only the bad object that sorts first,
    // and compares later rows with it, as the sort would, without keeping
    // them. Either costs no more than the read of a good catalog.
    WorkBudget budget(db_.get(), rows.get(), inRowOrder ? 0 : heldRows_);
    FirstBadObject first;
    EqualNames equalNames;
    int stepped;
    while ((stepped = sqlite3_step(rows.get())) == SQLITE_ROW) {
        budget.RowRead();
        if (catalog.StoredBytes() > byteBudget_) return TooCostly(catalog);
        const auto place = first.Found() ? first.PlaceOf(rows.get()) : FirstBadObject::Place::kBefore;
        if (place == FirstBadObject::Place::kPastItsName && !inRowOrder) break;
        if (place != FirstBadObject::Place::kBefore) continue;
        dataaccess::Status status = ReadRow(rows.get(), first.Found() ? nullptr : &catalog);
        if (!status.ok()) {
            first.Keep(rows.get(), std::move(status));
        } else if (!inRowOrder && !first.Found()) {
            equalNames.Appended(catalog, sqlite3_column_int64(rows.get(), 0));
        }
    }
    if (stepped != SQLITE_DONE && stepped != SQLITE_ROW) return Failure(stepped);
    if (!first.Found()) equalNames.Order(catalog, catalog.RowCount());
    return first.Status();
}

dataaccess::Status CatalogReader::ReadRow(sqlite3_stmt* row, Catalog* into) const {
    static constexpr const char* kColumnNames[] = {"name", "date_created", "date_updated"};
    for (int column = 1; column <= 3; ++column) {
        const int type = sqlite3_column_type(row, column);
        const std::string_view text = type == SQLITE_TEXT ? ColumnText(row, column) : std::string_view();
        const std::size_t bytes = text.size();
        if (type != SQLITE_BLOB && bytes <= kMaxValueBytes) {
            if (into != nullptr) AppendCell(row, column, type, text, *into);
            continue;
        }
        const std::string where = "The object in row " + std::to_string(sqlite3_column_int64(row, 0)) +
                                  " of the catalog in the database " + Quoted(path_) + " holds ";
        if (type == SQLITE_BLOB) {
            return {errors::kBlobValue, where + "binary data (a BLOB) in its column '" +
                                            kColumnNames[column - 1] +
                                            "'; only text, numbers and dates can be shown."};
        }
        return {errors::kValueTooLong, where + std::to_string(bytes) + " bytes in its column '" +
                                           kColumnNames[column - 1] + "'; at most " +
                                           std::to_string(kMaxValueBytes) + " bytes (1 MiB) can be shown."};
    }
    return {};
}

void CatalogReader::AppendCell(sqlite3_stmt* row, int column, int type, std::string_view text,
                               Catalog& into) {
    const bool isDate = column > 1;
    switch (type) {
        case SQLITE_NULL:
            into.AppendNull();
            break;
        case SQLITE_INTEGER:
            if (isDate) {
                into.AppendUnixSeconds(sqlite3_column_int64(row, column));
            } else {
                into.AppendInteger(sqlite3_column_int64(row, column));
            }
            break;
        case SQLITE_FLOAT:
            if (isDate) {
                into.AppendJulianDay(sqlite3_column_double(row, column));
            } else {
                into.AppendReal(sqlite3_column_double(row, column));
            }
            break;
        default: {  // SQLITE_TEXT, checked by the caller
            // Wall-clock text is parsed once here, so reading it later
            // costs no more than reading a number.
            if (const auto date = isDate ? ParseDateText(text) : std::nullopt) {
                into.AppendDate(*date);
            } else {
                into.AppendText(text);
            }
            break;
        }
    }
}

dataaccess::Status CatalogReader::Execute(const char* sql) {
    const int result = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
    return result == SQLITE_OK ? dataaccess::Status{} : Failure(result);
}

dataaccess::Status CatalogReader::Prepare(const char* sql, Statement& statement) {
    sqlite3_stmt* raw = nullptr;
    const int result = sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr);
    statement.reset(raw);
    return result == SQLITE_OK ? dataaccess::Status{} : Failure(result);
}

dataaccess::Status CatalogReader::Failure(int result) const {
    return SqliteFailure(db_.get(), result, path_, {computesColumns_, kMaxValueBytes});
}

}  // namespace quorbix
