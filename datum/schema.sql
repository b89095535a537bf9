-- Tables of the predefined-parameter database "corvane.db". The library reads the EPSG tables,
-- gp_ellipsoids, gp_projections_epsg and gp_zones.epsg_code; the editor reads the gp_ tables and
-- refreshes varea.found and found_surfaces at its start.

-- Its presence marks a usable database; the newest created_at dates the parameter set.
CREATE TABLE gp_history (created_at TEXT NOT NULL, note TEXT);

-- Predefined grids, listed by seq; name is the parameter file's "Grid".
CREATE TABLE gp_crs (id INTEGER PRIMARY KEY, name TEXT NOT NULL, seq INTEGER NOT NULL);

-- One zone of a grid; id is the parameter file's "ZoneId". p1..p<numpar> follow par1..par5 of
-- the projection (angles in degrees); fe, fn in the zone's unit.
CREATE TABLE gp_zones (
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, crs_id INTEGER NOT NULL, proj_id INTEGER NOT NULL,
    numpar INTEGER NOT NULL, p1 REAL, p2 REAL, p3 REAL, p4 REAL, p5 REAL, fe REAL, fn REAL,
    hunit_id INTEGER NOT NULL, ellip_id INTEGER NOT NULL, ladj_id INTEGER NOT NULL DEFAULT 0,
    dt_id INTEGER, epsg_code INTEGER);
CREATE INDEX gp_zones_crs ON gp_zones (crs_id);

-- Projections of the editor, ids 1..n in table order (the editor selects item id - 1); abrev is
-- the parameter file's "Projection".
CREATE TABLE gp_projections (
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, abrev TEXT NOT NULL, numpar INTEGER NOT NULL,
    par1 INTEGER, par2 INTEGER, par3 INTEGER, par4 INTEGER, par5 INTEGER);

-- Projection parameters: abrev is the parameter file's key; type "dn" a latitude, "d?" another
-- angle shown as a longitude, anything else a number shown with fmt.
CREATE TABLE gp_projpar (
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, abrev TEXT NOT NULL, type TEXT NOT NULL, fmt TEXT);

-- Ellipsoids: a in metres, one_over_f the inverse flattening; _epsg_code links the EPSG tables.
CREATE TABLE gp_ellipsoids (
    id INTEGER PRIMARY KEY, name TEXT NOT NULL, a REAL NOT NULL, one_over_f REAL NOT NULL,
    _epsg_code INTEGER);
CREATE INDEX gp_ellipsoids_epsg ON gp_ellipsoids (_epsg_code);

-- Length units, ids 1..n in table order; factor in metres per unit, equal to the library's own
-- unit table.
CREATE TABLE gp_units (id INTEGER PRIMARY KEY, name TEXT NOT NULL, factor REAL NOT NULL, abrev TEXT NOT NULL);

-- Datum transformations of zones. kind 0: the seven values (metres, arc-seconds in the
-- coordinate-frame convention, ppm); otherwise model names the datum-shift file.
CREATE TABLE gp_datum_xform (
    id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, dx REAL, dy REAL, dz REAL,
    drx REAL, dry REAL, drz REAL, dsc REAL, model TEXT, name TEXT, _epsg_code INTEGER);

-- EPSG coordinate-operation methods that a projection class computes, to its projection id.
CREATE TABLE gp_projections_epsg (_epsg_code INTEGER PRIMARY KEY, gpid INTEGER NOT NULL, name TEXT);

-- VDatum areas (folders under datum/vdatum) and surfaces (GTX base names).
CREATE TABLE varea (id INTEGER PRIMARY KEY, abrev TEXT NOT NULL, description TEXT, found INTEGER NOT NULL DEFAULT 0);
CREATE TABLE vsurface (id INTEGER PRIMARY KEY, name TEXT NOT NULL, abrev TEXT NOT NULL);

-- The EPSG dataset, in the shape the library queries it.

-- One row per parameter of each projected system, in the parameter order of its conversion.
CREATE TABLE epsg_corvane (
    coord_ref_sys_code INTEGER NOT NULL, coord_ref_sys_name TEXT, ellipsoid_code INTEGER,
    coord_op_method_code INTEGER, coord_sys_code INTEGER, parameter_order INTEGER,
    parameter_code INTEGER, parameter_name TEXT, parameter_value REAL, uom_code INTEGER,
    unit_of_meas_name TEXT);
CREATE INDEX epsg_corvane_crs ON epsg_corvane (coord_ref_sys_code);

-- Axes in axis order: the first axis's unit is the system's.
CREATE TABLE epsg_coordinateaxis (
    coord_sys_code INTEGER NOT NULL, coord_axis_order INTEGER NOT NULL, coord_axis_name TEXT,
    coord_axis_orientation TEXT, coord_axis_abbreviation TEXT, uom_code INTEGER);
CREATE INDEX epsg_coordinateaxis_cs ON epsg_coordinateaxis (coord_sys_code);

-- value in the target unit = value * factor_b / factor_c; sexagesimal units carry no factors.
CREATE TABLE epsg_unitofmeasure (
    uom_code INTEGER PRIMARY KEY, unit_of_meas_name TEXT, unit_of_meas_type TEXT,
    target_uom_code INTEGER, factor_b REAL, factor_c REAL, deprecated INTEGER);

CREATE TABLE epsg_coordinatereferencesystem (
    coord_ref_sys_code INTEGER PRIMARY KEY, coord_ref_sys_name TEXT, coord_ref_sys_kind TEXT,
    coord_sys_code INTEGER, datum_code INTEGER, source_geogcrs_code INTEGER, deprecated INTEGER NOT NULL);

CREATE TABLE epsg_datum (
    datum_code INTEGER PRIMARY KEY, datum_name TEXT, datum_type TEXT, ellipsoid_code INTEGER,
    prime_meridian_code INTEGER, deprecated INTEGER);
