#pragma once

// The numbers of every error the Quorbix provider reports. Providers own the
// range 2000-2999; the numbers are part of what users and support see, so an
// existing number never changes meaning.
namespace quorbix::errors {

// The source string.
inline constexpr int kNoSeparator = 2001;          // no ';' between kind and database
inline constexpr int kUnknownKind = 2002;          // kind is not Form, Query or Report
inline constexpr int kEmptyDatabaseName = 2003;    // nothing after the ';'
inline constexpr int kInvalidDatabaseName = 2004;  // a NUL byte, which no file name can hold
inline constexpr int kNoHomeFolder = 2005;         // "~/" given, but no home folder is known

// The file.
inline constexpr int kDatabaseNotFound = 2010;
inline constexpr int kNotARegularFile = 2011;  // directory, FIFO, device, socket
inline constexpr int kCannotOpen = 2012;       // exists, but the system refuses (permissions, ...)
inline constexpr int kNotADatabase = 2013;
inline constexpr int kDatabaseCorrupt = 2014;
inline constexpr int kDatabaseLocked = 2015;    // a writer held it past the busy timeout
inline constexpr int kUnfinishedChange = 2016;  // a writer stopped mid-change; only it may repair that
inline constexpr int kSidecarNotAFile = 2017;   // SQLite's -journal, -wal or -shm is no plain file

// The catalog inside the file.
inline constexpr int kCatalogMissing = 2020;         // no table "objects"
inline constexpr int kCatalogColumnsMissing = 2021;  // one or more of the four columns
inline constexpr int kCatalogNotATable = 2022;       // a view, virtual table or WITHOUT ROWID table
inline constexpr int kBlobValue = 2023;              // a BLOB where text, a number or a date belongs
inline constexpr int kValueTooLong = 2024;           // a value longer than the provider shows
inline constexpr int kTooMuchWork = 2025;            // the schema makes a row cost far more than reading it

// The request.
inline constexpr int kReadOnly = 2030;  // a lock type that would allow writing

// Everything else.
inline constexpr int kOutOfMemory = 2090;
inline constexpr int kInternalError = 2098;  // an unexpected exception; Open never lets one escape
inline constexpr int kSqliteError = 2099;    // unexpected SQLite failure; its message is included

}  // namespace quorbix::errors
