-- The digest of the stored schema of the tables the library reads, with their indexes, and of
-- this table's own: the 32-bit FNV-1a hash of their sqlite_master rows in name order, each as
-- type, name, tbl_name and sql (empty for an automatic index), each ended by a line feed, taken
-- as UTF-8 bytes. The library computes the same at each open and refuses a file whose schema
-- differs (geodesy/PredefinedDatabase.h names the same tables). Read after every other file.
CREATE TABLE schema_digest (digest INTEGER NOT NULL);

WITH RECURSIVE
    entries(n, text) AS (
        SELECT row_number() OVER (ORDER BY name),
               CAST(type || char(10) || name || char(10) || tbl_name || char(10) || coalesce(sql, '') || char(10)
                    AS BLOB)
        FROM sqlite_master
        WHERE tbl_name IN ('epsg_coordinateaxis', 'epsg_coordinatereferencesystem', 'epsg_corvane', 'epsg_datum',
                           'epsg_unitofmeasure', 'gp_ellipsoids', 'gp_projections_epsg', 'gp_zones',
                           'schema_digest')),
    joined(n, bytes) AS (
        SELECT 0, X''
        UNION ALL
        SELECT joined.n + 1, joined.bytes || entries.text FROM joined JOIN entries ON entries.n = joined.n + 1),
    whole(bytes) AS (SELECT bytes FROM joined ORDER BY n DESC LIMIT 1),
    positions(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM positions, whole WHERE i < length(bytes)),
    -- Each byte as a number, through its two hexadecimal digits.
    octets(i, b) AS (
        SELECT i, (instr('0123456789ABCDEF', substr(hex(substr(bytes, i, 1)), 1, 1)) - 1) * 16 +
                  instr('0123456789ABCDEF', substr(hex(substr(bytes, i, 1)), 2, 1)) - 1
        FROM whole, positions),
    -- hash = (hash xor byte) * 16777619 modulo 2^32, from the offset basis 2166136261; the
    -- product stays below 2^56.
    fnv(i, hash) AS (
        SELECT 0, 2166136261
        UNION ALL
        SELECT fnv.i + 1, (((hash | b) - (hash & b)) * 16777619) % 4294967296
        FROM fnv JOIN octets ON octets.i = fnv.i + 1)
INSERT INTO schema_digest SELECT hash FROM fnv ORDER BY i DESC LIMIT 1;
