-- Predefined grids and zones, derived from the EPSG tables of this database (run after
-- epsg.sql and corvane.sql, with the EPSG dataset attached as "proj").

INSERT INTO gp_crs (id, name, seq) VALUES
    (1, 'UTM North (WGS 84)', 10),
    (2, 'UTM South (WGS 84)', 20),
    (3, 'UTM North (NAD83)', 30),
    (4, 'UTM North (ETRS89)', 40),
    (5, 'MGA (GDA2020)', 50),
    (6, 'State Plane NAD83 (metres)', 60),
    (7, 'State Plane NAD83 (US feet)', 70),
    (8, 'DHDN / Gauss-Kruger', 80),
    (9, 'NZGD49 / Meridional circuits', 90);

-- Zones of each grid by EPSG code.
CREATE TEMP TABLE zone_codes (crs_id INTEGER, code INTEGER);
INSERT INTO zone_codes
SELECT 1, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 32601 AND 32660
UNION ALL SELECT 2, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 32701 AND 32760
UNION ALL SELECT 3, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 26901 AND 26923
UNION ALL SELECT 4, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 25828 AND 25838
UNION ALL SELECT 5, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 7846 AND 7859
UNION ALL SELECT 8, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 31466 AND 31469
UNION ALL SELECT 9, coord_ref_sys_code FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code BETWEEN 27205 AND 27232;
-- State Plane: the SPCS83 conversions on NAD83, by the unit of the coordinate system.
INSERT INTO zone_codes
SELECT CASE a.uom_code WHEN 9001 THEN 6 ELSE 7 END, CAST(p.code AS INTEGER)
FROM proj.projected_crs p
JOIN proj.conversion_table c ON c.auth_name = p.conversion_auth_name AND c.code = p.conversion_code
JOIN epsg_coordinateaxis a ON a.coord_sys_code = CAST(p.coordinate_system_code AS INTEGER) AND a.coord_axis_order = 1
WHERE p.auth_name = 'EPSG' AND p.geodetic_crs_code = '4269' AND p.deprecated = 0
  AND c.name LIKE 'SPCS83 %' AND a.uom_code IN (9001, 9003);

-- National grids, one grid each.
CREATE TEMP TABLE national (code INTEGER, seq INTEGER);
INSERT INTO national VALUES
    (27700, 1), (29903, 2), (2157, 3), (28992, 4), (2154, 5), (31370, 6), (3035, 7), (3034, 8),
    (3006, 9), (3067, 10), (2100, 11), (3763, 12), (2180, 13), (3765, 14), (3301, 15),
    (3059, 16), (6870, 17), (2193, 18), (3577, 19), (5070, 20), (3414, 21), (3395, 22),
    (5041, 23), (5042, 24);
INSERT INTO gp_crs (id, name, seq)
SELECT 100 + n.seq, c.coord_ref_sys_name, 1000 + n.seq
FROM national n JOIN epsg_coordinatereferencesystem c ON c.coord_ref_sys_code = n.code;
INSERT INTO zone_codes SELECT 100 + seq, code FROM national;

-- Keep the zones the library resolves: a mapped method, a known ellipsoid, and a unit the
-- editor lists.
DELETE FROM zone_codes WHERE code NOT IN (
    SELECT e.coord_ref_sys_code FROM epsg_corvane e
    JOIN gp_projections_epsg m ON m._epsg_code = e.coord_op_method_code
    JOIN gp_ellipsoids g ON g._epsg_code = e.ellipsoid_code);

-- Parameter values in degrees (angles) and in the zone's unit (lengths).
CREATE TEMP TABLE zone_values AS
SELECT z.crs_id, z.code, e.parameter_code AS pc,
       CASE WHEN e.uom_code = 9110 THEN
                -- DDD.MMSSsss: degrees, minutes and seconds each carry the sign.
                (SELECT sgn * (d + m / 60.0 + (r - 100.0 * m) / 3600.0) FROM
                    (SELECT sgn, d, r, CAST(r / 100 AS INTEGER) AS m FROM
                        (SELECT sgn, d, packed - 10000.0 * d AS r FROM
                            (SELECT sgn, packed, CAST(packed / 10000 AS INTEGER) AS d FROM
                                (SELECT CASE WHEN e.parameter_value < 0 THEN -1.0 ELSE 1.0 END AS sgn,
                                        round(abs(e.parameter_value) * 10000, 6) AS packed)))))
            WHEN e.uom_code IN (9102, 9201) OR e.uom_code = a.uom_code THEN e.parameter_value
            WHEN u.unit_of_meas_type = 'angle' THEN e.parameter_value * u.factor_b / u.factor_c / 0.017453292519943295
            ELSE e.parameter_value * u.factor_b / u.factor_c * cu.factor_c / cu.factor_b END AS v
FROM zone_codes z
JOIN epsg_corvane e ON e.coord_ref_sys_code = z.code
JOIN epsg_coordinateaxis a ON a.coord_sys_code = e.coord_sys_code AND a.coord_axis_order = 1
JOIN epsg_unitofmeasure cu ON cu.uom_code = a.uom_code
LEFT JOIN epsg_unitofmeasure u ON u.uom_code = e.uom_code;

-- The same by parameter-file key.
CREATE TEMP TABLE zone_params AS
SELECT code, CASE WHEN pc IN (8801, 8811, 8821) THEN 'RefLatitude'
                  WHEN pc IN (8802, 8812, 8822) THEN 'CentralMeridian'
                  WHEN pc = 8805 THEN 'ScaleFactor'
                  WHEN pc = 8823 THEN 'NorthParallel'
                  WHEN pc = 8824 THEN 'SouthParallel'
                  WHEN pc IN (8806, 8826) THEN 'FalseEasting'
                  WHEN pc IN (8807, 8827) THEN 'FalseNorthing' END AS key, v
FROM zone_values;
-- Value of parameter `par` of gp_projpar for a zone: missing parameters read 0, a missing scale
-- factor 1.
CREATE TEMP VIEW zone_param AS
SELECT z.code, pp.id AS par,
       coalesce((SELECT v FROM zone_params x WHERE x.code = z.code AND x.key = pp.abrev),
                CASE pp.abrev WHEN 'ScaleFactor' THEN 1.0 ELSE 0.0 END) AS v
FROM (SELECT DISTINCT code FROM zone_params) z, gp_projpar pp;

-- Datum transformations of the zones' base systems, one row per base system (id = its EPSG
-- code): a datum-shift grid of proj-data where one applies, else the most accurate seven- or
-- three-parameter transformation that EPSG has not superseded, in the parameter file's
-- convention (WGS 84 to the local datum; metres, arc-seconds in the coordinate-frame
-- convention, ppm).
CREATE TEMP TABLE zone_bases AS
SELECT DISTINCT c.source_geogcrs_code AS base FROM zone_codes z
JOIN epsg_coordinatereferencesystem c ON c.coord_ref_sys_code = z.code;

INSERT INTO gp_datum_xform (id, kind, dx, dy, dz, drx, dry, drz, dsc, model, name, _epsg_code)
SELECT base, 0, 0, 0, 0, 0, 0, 0, 0, NULL, 'WGS 84', NULL FROM zone_bases WHERE base = 4326;

INSERT INTO gp_datum_xform (id, kind, dx, dy, dz, drx, dry, drz, dsc, model, name, _epsg_code)
SELECT b.base, 1, 0, 0, 0, 0, 0, 0, 0, a.old_proj_grid_name, g.name, CAST(g.code AS INTEGER)
FROM zone_bases b
JOIN proj.grid_transformation g ON g.auth_name = 'EPSG' AND g.deprecated = 0
    AND ((g.source_crs_code = CAST(b.base AS TEXT) AND g.target_crs_code = '4326')
      OR (g.target_crs_code = CAST(b.base AS TEXT) AND g.source_crs_code = '4326'))
JOIN proj.grid_alternatives a ON a.original_grid_name = g.grid_name
WHERE a.old_proj_grid_name IN ('BETA2007.gsb', 'ntf_r93.gsb', 'nzgd2kgrid0005.gsb', 'CHENYX06.gsb')
  AND b.base NOT IN (SELECT id FROM gp_datum_xform)
GROUP BY b.base;

-- EPSG gives these transformations from the base system to WGS 84; the library applies the
-- stored values from WGS 84 to the local datum. EPSG's reverse of these methods changes the
-- sign of all seven values; a position-vector rotation is the coordinate-frame rotation of the
-- opposite sign, so its rotations keep their sign and a coordinate-frame one changes it.
INSERT INTO gp_datum_xform (id, kind, dx, dy, dz, drx, dry, drz, dsc, model, name, _epsg_code)
SELECT base, 0, -tx, -ty, -tz, rsign * rx, rsign * ry, rsign * rz, -ds, NULL, name, code FROM (
    SELECT b.base, h.tx * tu.conv_factor AS tx, h.ty * tu.conv_factor AS ty, h.tz * tu.conv_factor AS tz,
           CASE h.method_code WHEN '9606' THEN 1.0 ELSE -1.0 END AS rsign,
           -- Arc-seconds per radian.
           CASE WHEN h.method_code = '9603' THEN 0.0
                WHEN h.rotation_uom_code = '9104' THEN h.rx ELSE h.rx * ru.conv_factor * 206264.80624709636 END AS rx,
           CASE WHEN h.method_code = '9603' THEN 0.0
                WHEN h.rotation_uom_code = '9104' THEN h.ry ELSE h.ry * ru.conv_factor * 206264.80624709636 END AS ry,
           CASE WHEN h.method_code = '9603' THEN 0.0
                WHEN h.rotation_uom_code = '9104' THEN h.rz ELSE h.rz * ru.conv_factor * 206264.80624709636 END AS rz,
           CASE WHEN h.method_code = '9603' THEN 0.0
                WHEN h.scale_difference_uom_code = '9202' THEN h.scale_difference
                ELSE h.scale_difference * su.conv_factor * 1e6 END AS ds,
           h.name, CAST(h.code AS INTEGER) AS code,
           row_number() OVER (PARTITION BY b.base ORDER BY
               EXISTS (SELECT 1 FROM proj.supersession s WHERE s.superseded_table_name = 'helmert_transformation'
                           AND s.superseded_auth_name = 'EPSG' AND s.superseded_code = h.code),
               h.accuracy IS NULL, h.accuracy, CAST(h.code AS INTEGER)) AS pick
    FROM zone_bases b
    JOIN proj.helmert_transformation_table h ON h.auth_name = 'EPSG' AND h.deprecated = 0
        AND h.source_crs_auth_name = 'EPSG' AND h.source_crs_code = CAST(b.base AS TEXT)
        AND h.target_crs_auth_name = 'EPSG' AND h.target_crs_code = '4326'
        AND h.method_code IN ('9603', '9606', '9607')
    JOIN proj.unit_of_measure tu ON tu.auth_name = h.translation_uom_auth_name AND tu.code = h.translation_uom_code
    LEFT JOIN proj.unit_of_measure ru ON ru.auth_name = h.rotation_uom_auth_name AND ru.code = h.rotation_uom_code
    LEFT JOIN proj.unit_of_measure su ON su.auth_name = h.scale_difference_uom_auth_name AND su.code = h.scale_difference_uom_code
    WHERE b.base NOT IN (SELECT id FROM gp_datum_xform))
WHERE pick = 1;

-- The zones themselves: id = EPSG code. Projection ids of the editor equal the library's, but
-- for the polyconic, which is the editor's 14th projection.
INSERT INTO gp_zones (id, name, crs_id, proj_id, numpar, p1, p2, p3, p4, p5, fe, fn, hunit_id,
                      ellip_id, ladj_id, dt_id, epsg_code)
SELECT z.code,
       -- The name after the base system's, when the system's name carries one.
       CASE WHEN instr(c.coord_ref_sys_name, ' / ') > 0
            THEN substr(c.coord_ref_sys_name, instr(c.coord_ref_sys_name, ' / ') + 3)
            ELSE c.coord_ref_sys_name END,
       z.crs_id, gp.id, gp.numpar,
       (SELECT v FROM zone_param p WHERE p.code = z.code AND p.par = gp.par1),
       (SELECT v FROM zone_param p WHERE p.code = z.code AND p.par = gp.par2),
       (SELECT v FROM zone_param p WHERE p.code = z.code AND p.par = gp.par3),
       (SELECT v FROM zone_param p WHERE p.code = z.code AND p.par = gp.par4),
       (SELECT v FROM zone_param p WHERE p.code = z.code AND p.par = gp.par5),
       coalesce((SELECT v FROM zone_params p WHERE p.code = z.code AND p.key = 'FalseEasting'), 0),
       coalesce((SELECT v FROM zone_params p WHERE p.code = z.code AND p.key = 'FalseNorthing'), 0),
       CASE a.uom_code WHEN 9001 THEN 1 WHEN 9003 THEN 2 WHEN 9002 THEN 3 END,
       g.id, 0, c.source_geogcrs_code, z.code
FROM (SELECT DISTINCT crs_id, code FROM zone_codes) z
JOIN epsg_coordinatereferencesystem c ON c.coord_ref_sys_code = z.code
JOIN epsg_corvane e ON e.coord_ref_sys_code = z.code AND e.parameter_order = 1
JOIN gp_projections_epsg m ON m._epsg_code = e.coord_op_method_code
JOIN gp_projections gp ON gp.id = CASE m.gpid WHEN 17 THEN 14 ELSE m.gpid END
JOIN gp_ellipsoids g ON g._epsg_code = e.ellipsoid_code
JOIN epsg_coordinateaxis a ON a.coord_sys_code = e.coord_sys_code AND a.coord_axis_order = 1
WHERE a.uom_code IN (9001, 9003, 9002)
ORDER BY z.crs_id, z.code;

DROP VIEW zone_param;
DROP TABLE zone_params;
DROP TABLE zone_values;
DROP TABLE zone_bases;
DROP TABLE zone_codes;
DROP TABLE national;

-- Grids left without a zone are not offered.
DELETE FROM gp_crs WHERE id NOT IN (SELECT crs_id FROM gp_zones);
