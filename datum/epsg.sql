-- The EPSG tables of corvane.db, taken from the EPSG dataset as Debian's proj-data ships it
-- (proj.db, attached as "proj"). Only EPSG objects with integer codes are taken.

INSERT INTO epsg_unitofmeasure
SELECT CAST(code AS INTEGER), name, type,
       CASE type WHEN 'length' THEN 9001 WHEN 'angle' THEN 9101 WHEN 'scale' THEN 9201
                 WHEN 'time' THEN 1040 END,
       -- Sexagesimal units have no factor: they are converted by their own rule, or refused.
       CASE WHEN conv_factor IS NULL OR conv_factor = 0 THEN NULL ELSE conv_factor END,
       CASE WHEN conv_factor IS NULL OR conv_factor = 0 THEN NULL ELSE 1.0 END,
       deprecated
FROM proj.unit_of_measure WHERE auth_name = 'EPSG'
ORDER BY CAST(code AS INTEGER);

INSERT INTO epsg_datum
SELECT CAST(code AS INTEGER), name, 'geodetic', CAST(ellipsoid_code AS INTEGER),
       CAST(prime_meridian_code AS INTEGER), deprecated
FROM proj.geodetic_datum WHERE auth_name = 'EPSG' AND ellipsoid_auth_name = 'EPSG'
UNION ALL
SELECT CAST(code AS INTEGER), name, 'vertical', NULL, NULL, deprecated
FROM proj.vertical_datum WHERE auth_name = 'EPSG'
ORDER BY 1;

INSERT INTO epsg_coordinatereferencesystem
SELECT CAST(code AS INTEGER), name, type, CAST(coordinate_system_code AS INTEGER),
       CAST(datum_code AS INTEGER), NULL, deprecated
FROM proj.geodetic_crs WHERE auth_name = 'EPSG' AND type <> 'other'
UNION ALL
SELECT CAST(code AS INTEGER), name, 'projected', CAST(coordinate_system_code AS INTEGER),
       NULL, CAST(geodetic_crs_code AS INTEGER), deprecated
FROM proj.projected_crs WHERE auth_name = 'EPSG' AND geodetic_crs_auth_name = 'EPSG'
UNION ALL
SELECT CAST(code AS INTEGER), name, 'vertical', CAST(coordinate_system_code AS INTEGER),
       CAST(datum_code AS INTEGER), NULL, deprecated
FROM proj.vertical_crs WHERE auth_name = 'EPSG'
UNION ALL
SELECT CAST(code AS INTEGER), name, 'compound', NULL, NULL, NULL, deprecated
FROM proj.compound_crs WHERE auth_name = 'EPSG'
ORDER BY 1;

INSERT INTO epsg_coordinateaxis
SELECT CAST(coordinate_system_code AS INTEGER), coordinate_system_order, name, orientation, abbrev,
       CAST(uom_code AS INTEGER)
FROM proj.axis WHERE auth_name = 'EPSG' AND coordinate_system_auth_name = 'EPSG'
ORDER BY CAST(coordinate_system_code AS INTEGER), coordinate_system_order;

-- The parameters of every non-deprecated projected system, one row each, in conversion order.
CREATE TEMP TABLE projected AS
SELECT CAST(p.code AS INTEGER) AS crs, p.name AS crs_name, d.ellipsoid_code AS ellipsoid,
       CAST(c.method_code AS INTEGER) AS method, CAST(p.coordinate_system_code AS INTEGER) AS cs,
       d.prime_meridian_code AS meridian, c.*
FROM proj.projected_crs p
JOIN proj.conversion c ON c.auth_name = p.conversion_auth_name AND c.code = p.conversion_code
JOIN proj.geodetic_crs g ON g.auth_name = p.geodetic_crs_auth_name AND g.code = p.geodetic_crs_code
JOIN epsg_datum d ON d.datum_code = CAST(g.datum_code AS INTEGER)
WHERE p.auth_name = 'EPSG' AND p.deprecated = 0 AND c.auth_name = 'EPSG'
  AND g.datum_auth_name = 'EPSG';

CREATE TEMP TABLE parameters AS
SELECT crs, crs_name, ellipsoid, method, cs, meridian, 1 AS ord, param1_code AS pc, param1_name AS pn, param1_value AS pv, param1_uom_code AS pu FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 2, param2_code, param2_name, param2_value, param2_uom_code FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 3, param3_code, param3_name, param3_value, param3_uom_code FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 4, param4_code, param4_name, param4_value, param4_uom_code FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 5, param5_code, param5_name, param5_value, param5_uom_code FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 6, param6_code, param6_name, param6_value, param6_uom_code FROM projected
UNION ALL SELECT crs, crs_name, ellipsoid, method, cs, meridian, 7, param7_code, param7_name, param7_value, param7_uom_code FROM projected;
DELETE FROM parameters WHERE pc IS NULL;

-- Systems that no class computes faithfully are left out, so that they fail cleanly:
-- a prime meridian other than Greenwich (the record has no place for it);
DELETE FROM parameters WHERE meridian <> 8901;
-- Mercator with a scale factor other than 1 (the Mercator class takes its scale from the
-- latitude of true scale alone);
DELETE FROM parameters WHERE method = 9804 AND crs IN
    (SELECT crs FROM parameters WHERE pc = 8805 AND pv <> 1.0);
-- a unit other than the metre for the classes that compute their lengths in metres
-- (oblique and polar stereographic, polyconic).
DELETE FROM parameters WHERE method IN (9809, 9810, 9818) AND cs NOT IN
    (SELECT coord_sys_code FROM epsg_coordinateaxis WHERE coord_axis_order = 1 AND uom_code = 9001);

INSERT INTO epsg_corvane
SELECT crs, crs_name, ellipsoid, method, cs, ord, CAST(pc AS INTEGER), pn, pv, CAST(pu AS INTEGER),
       (SELECT unit_of_meas_name FROM epsg_unitofmeasure WHERE uom_code = CAST(pu AS INTEGER))
FROM parameters ORDER BY crs, ord;

DROP TABLE parameters;
DROP TABLE projected;

-- Ellipsoids in metres with their inverse flattening; spheres are left out (a flattening of 0
-- is refused when a Geodesy is built). WGS 84 takes id 36, which the editor knows as the
-- ellipsoid that needs no datum transformation.
CREATE TEMP TABLE ellipsoids AS
SELECT row_number() OVER (ORDER BY e.name, CAST(e.code AS INTEGER)) AS rn, e.name AS name,
       e.semi_major_axis * u.conv_factor AS a,
       CASE WHEN e.inv_flattening IS NOT NULL AND e.inv_flattening > 0 THEN e.inv_flattening
            ELSE e.semi_major_axis / (e.semi_major_axis - e.semi_minor_axis) END AS one_over_f,
       CAST(e.code AS INTEGER) AS code
FROM proj.ellipsoid e JOIN proj.unit_of_measure u ON u.auth_name = e.uom_auth_name AND u.code = e.uom_code
WHERE e.auth_name = 'EPSG'
  AND ((e.inv_flattening IS NOT NULL AND e.inv_flattening > 0)
       OR (e.semi_minor_axis IS NOT NULL AND e.semi_minor_axis < e.semi_major_axis));

INSERT INTO gp_ellipsoids
SELECT CASE WHEN code = 7030 THEN 36
            WHEN rn = 36 THEN (SELECT rn FROM ellipsoids WHERE code = 7030)
            ELSE rn END,
       name, a, one_over_f, code
FROM ellipsoids ORDER BY 1;
DROP TABLE ellipsoids;

INSERT INTO gp_history VALUES
    ((SELECT value FROM proj.metadata WHERE key = 'EPSG.DATE'),
     'EPSG dataset ' || (SELECT value FROM proj.metadata WHERE key = 'EPSG.VERSION') ||
     ' through PROJ data ' || (SELECT value FROM proj.metadata WHERE key = 'PROJ_DATA.VERSION'));
