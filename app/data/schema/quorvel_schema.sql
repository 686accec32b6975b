-- The empty database that Quorvel copies on its first start. Later schema
-- changes are never made here alone: a database created from an earlier
-- version of this file must reach the same shape through the idempotent
-- statements that DatabaseHandler runs at every open.
--
-- The file format settings must come first: the page size can only be chosen
-- before the first table exists.
PRAGMA page_size = 1024;
PRAGMA encoding = 'UTF-8';
PRAGMA journal_mode = DELETE;
PRAGMA user_version = 0;

BEGIN TRANSACTION;

CREATE TABLE "task" (
    "context" Text,
    "due" Integer,
    "id" Text NOT NULL,
    "memo" Text,
    "name" Text NOT NULL,
    "parent" Text NOT NULL,
    "period" Text,
    "start" Integer,
    "state" Integer NOT NULL DEFAULT 0,
    "task_id" Integer NOT NULL PRIMARY KEY AUTOINCREMENT,
    "timestamp" Text NOT NULL,
    "synced" Boolean NOT NULL DEFAULT 0,
    "local" Boolean NOT NULL DEFAULT 1,
    CONSTRAINT "unique_uuid" UNIQUE ( "id" )
);

-- Projects and folders share this table ("folder" tells them apart). The
-- unique constraint sits on the row number; uniqueness of "id" comes from
-- ProjectIdIndex, which is added when the database is opened.
CREATE TABLE "project" (
    "context" Text,
    "due" Integer,
    "folder" Boolean NOT NULL,
    "id" Text NOT NULL,
    "memo" Text,
    "name" Text NOT NULL,
    "parent" Text,
    "project_id" Integer NOT NULL PRIMARY KEY AUTOINCREMENT,
    "start" Integer,
    "state" Integer NOT NULL DEFAULT 0,
    "timestamp" Integer NOT NULL,
    "synced" Boolean NOT NULL DEFAULT 0,
    "local" Boolean NOT NULL DEFAULT 1,
    CONSTRAINT "unique_uuid" UNIQUE ( "project_id" )
);

-- The geographic columns belong to the stored format only; nothing reads
-- or writes them.
CREATE TABLE "context" (
    "altitude" Real,
    "context_id" Integer NOT NULL PRIMARY KEY AUTOINCREMENT,
    "id" Text NOT NULL,
    "latitude" Real,
    "longitude" Real,
    "memo" Text,
    "name" Text NOT NULL,
    "parent" Text,
    "state" Integer NOT NULL DEFAULT 0,
    "timestamp" Integer NOT NULL,
    "synced" Boolean NOT NULL DEFAULT 0,
    "local" Boolean NOT NULL DEFAULT 1,
    CONSTRAINT "unique_uuid" UNIQUE ( "id" )
);

CREATE INDEX "index_uuid" ON "context" ( "id" );
CREATE INDEX "index_uuid1" ON "task" ( "id" );
CREATE INDEX "index_uuid2" ON "project" ( "project_id" );

COMMIT;
