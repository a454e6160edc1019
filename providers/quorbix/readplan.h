#pragma once

#include <sqlite3.h>

#include <string_view>

namespace quorbix {

// How an Open reads one kind's objects.
enum class ReadPlan {
    kWalk,  // SQLite's own ordered query, which walks an index on kind
    kScan,  // the table in the order of its row ids, then the provider's own sort
};

// Chooses the cheaper plan for the kind's objects in main.objects of db, from
// what the indexes on the table offer (read with pragma_index_list and
// pragma_index_xinfo) and from how many objects the kind has against the
// table. rowId is the name under which the table offers its row ids. Runs
// inside the caller's read transaction; returns an SQLite result code.
//
// Walking an index that holds the dates too, in the order shown, reads
// nothing else and is kept whatever the kind. Walking any other index looks
// each object up in the table, which costs several times what a scan and
// the sort cost per object: it pays only for a kind with a small share of
// the table, or with so few objects that their look-ups cost next to
// nothing whatever the table. Without an index on kind, SQLite scans the
// table as well. For a walk it also sets held to a bound on the objects it
// may sort before it hands back the first: the few objects' limit, or else
// the span of the table's row ids, its row count or more.
int ChooseReadPlan(sqlite3* db, std::string_view kind, std::string_view rowId, ReadPlan& plan, double& held);

}  // namespace quorbix
