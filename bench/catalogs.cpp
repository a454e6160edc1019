#include "catalogs.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <random>
#include <stdexcept>
#include <string_view>

#include "floor.h"

namespace bench {
namespace {

class Database {
public:
    explicit Database(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Fail("open " + path);
    }
    ~Database() { sqlite3_close_v2(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* get() const { return db_; }
    void Execute(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("catalog: " + what + ": " + sqlite3_errmsg(db_));
    }

private:
    sqlite3* db_ = nullptr;
};

// Characters of names: mostly ASCII letters and digits, with some blanks and
// punctuation; a few names also take one of the non-ASCII ones.
constexpr std::string_view kAscii =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz0123456789  _-";
constexpr std::array<std::string_view, 10> kNonAscii = {"é", "ü", "ß", "Å", "ñ", "Ω", "Ж", "日", "本", "€"};

// 2000-01-01 to 2025-12-31, in Unix seconds (UTC).
constexpr std::int64_t kFirstDay = 10957;
constexpr std::int64_t kLastDay = 20453;

class Generator {
public:
    explicit Generator(std::size_t rows) : random_(rows * 2654435761u + 17) {}

    std::string Name() {
        const std::int64_t characters = Uniform(8, 40);
        const bool nonAscii = Uniform(0, 499) == 0;  // 0.2% of names
        std::string name;
        for (std::int64_t i = 0; i < characters; ++i) {
            if (nonAscii && Uniform(0, 3) == 0) {
                name += kNonAscii[Index(kNonAscii.size())];
            } else {
                name += kAscii[Index(kAscii.size())];
            }
        }
        // Names start with a letter, as object names do.
        name[0] = kAscii[Index(52)];
        return name;
    }

    // Binds a date to parameter of statement in one of the three forms.
    void BindDate(sqlite3_stmt* statement, int parameter) {
        const bool midnight = Uniform(0, 4) == 0;  // 20% at midnight
        const std::int64_t day = Uniform(kFirstDay, kLastDay);
        const std::int64_t seconds = day * 86400 + (midnight ? 0 : Uniform(1, 86399));
        switch (Uniform(0, 2)) {
            case 0: {  // ISO-8601 text, in its several shapes
                const std::time_t instant = static_cast<std::time_t>(seconds);
                std::tm tm{};
                gmtime_r(&instant, &tm);
                static constexpr std::array<const char*, 4> kShapes = {
                    "%Y-%m-%d %H:%M:%S", "%Y-%m-%dT%H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%dT%H:%M"};
                const char* shape = midnight ? (Uniform(0, 1) == 0 ? "%Y-%m-%d" : "%Y-%m-%d %H:%M:%S")
                                             : kShapes[Index(kShapes.size())];
                char text[32];
                const std::size_t length = std::strftime(text, sizeof text, shape, &tm);
                sqlite3_bind_text(statement, parameter, text, static_cast<int>(length), SQLITE_TRANSIENT);
                break;
            }
            case 1:  // Julian day
                sqlite3_bind_double(statement, parameter, static_cast<double>(seconds) / 86400.0 + 2440587.5);
                break;
            default:  // Unix seconds
                sqlite3_bind_int64(statement, parameter, seconds);
                break;
        }
    }

private:
    std::int64_t Uniform(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
    }
    std::size_t Index(std::size_t size) { return static_cast<std::size_t>(Uniform(0, size - 1)); }

    std::mt19937_64 random_;
};

// With primaryKey, the table's key is (kind, name): a repeated name, which
// is rare, is left out.
std::uint64_t WriteCatalog(const std::string& path, std::size_t rows, bool primaryKey = false) {
    std::filesystem::remove(path);
    Database db(path);
    db.Execute("PRAGMA journal_mode = OFF");
    db.Execute("PRAGMA synchronous = OFF");
    db.Execute(primaryKey ? "CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated, "
                            "PRIMARY KEY(kind, name))"
                          : "CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated)");
    db.Execute("BEGIN");
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db.get(),
                           "INSERT OR IGNORE INTO objects(kind, name, date_created, date_updated) "
                           "VALUES(?1, ?2, ?3, ?4)",
                           -1, &insert, nullptr) != SQLITE_OK) {
        db.Fail("prepare");
    }
    Generator generate(rows);
    std::uint64_t nameBytes = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string name = generate.Name();
        nameBytes += name.size();
        sqlite3_bind_text(insert, 1, kKind, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        generate.BindDate(insert, 3);
        generate.BindDate(insert, 4);
        if (sqlite3_step(insert) != SQLITE_DONE) db.Fail("insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    db.Execute("COMMIT");
    return nameBytes;
}

void AddIndex(const std::string& path, Index index) {
    Database db(path);
    db.Execute("PRAGMA journal_mode = OFF");
    db.Execute("PRAGMA synchronous = OFF");
    db.Execute(index == Index::Covering
                   ? "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE, date_created, "
                     "date_updated)"
                   : "CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE)");
    if (index != Index::RareKind) return;
    // Added last, as a tool adds objects of a new kind: their row ids come after all others.
    const std::string rare = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                             std::to_string(kRareObjects) + ") INSERT INTO objects SELECT '" + kRareKind +
                             "', 'Rare ' || i, '2024-01-02 03:04:05', 1700000000 FROM n";
    db.Execute(rare.c_str());
}

std::string Label(std::size_t rows) {
    int exponent = 0;
    std::size_t rest = rows;
    while (rest >= 10 && rest % 10 == 0) {
        rest /= 10;
        ++exponent;
    }
    return rest == 1 ? "1e" + std::to_string(exponent) : std::to_string(rows);
}

}  // namespace

const char* IndexName(Index index) {
    static constexpr const char* kNames[] = {"covering", "indexed", "plain", "primarykey", "rare"};
    return kNames[static_cast<int>(index)];
}

std::vector<CatalogFiles> MakeCatalogs(const std::filesystem::path& folder,
                                       const std::vector<std::size_t>& sizes) {
    std::vector<CatalogFiles> made;
    for (const std::size_t rows : sizes) {
        CatalogFiles files;
        files.rows = rows;
        files.label = Label(rows);
        files.plain = (folder / ("catalog-" + files.label + "-plain.db")).string();
        files.indexed = (folder / ("catalog-" + files.label + "-indexed.db")).string();
        files.covering = (folder / ("catalog-" + files.label + "-covering.db")).string();
        files.primaryKey = (folder / ("catalog-" + files.label + "-primarykey.db")).string();
        files.rare = (folder / ("catalog-" + files.label + "-rare.db")).string();
        files.nameBytes = WriteCatalog(files.plain, rows);
        WriteCatalog(files.primaryKey, rows, true);
        for (const Index index : {Index::Indexed, Index::Covering, Index::RareKind}) {
            std::filesystem::copy_file(files.plain, files.Path(index),
                                       std::filesystem::copy_options::overwrite_existing);
            AddIndex(files.Path(index), index);
        }
        made.push_back(files);
    }
    return made;
}

std::string QueryPlan(const std::string& path) {
    Database db(path);
    const std::string sql = std::string("EXPLAIN QUERY PLAN ") + kFloorQuery;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) db.Fail("plan");
    std::string plan;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        if (!plan.empty()) plan += "; ";
        plan += reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
    }
    sqlite3_finalize(statement);
    return plan;
}

}  // namespace bench
