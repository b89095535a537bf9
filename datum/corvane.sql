-- The suite's own rows of corvane.db.

-- Length units: the library's unit table, same order and exactly the same factors, so that a
-- factor read here names its unit in the library.
INSERT INTO gp_units (id, name, factor, abrev) VALUES
    (1, 'meter', 1.0, 'm'),
    (2, 'foot (US)', 0.3048006096, 'ftUS'),
    (3, 'foot (int.)', 0.3048, 'ft'),
    (4, 'yard', 0.914402, 'yd'),
    (5, 'chain', 20.11678249, 'ch'),
    (6, 'nautical mile', 1852.0, 'NM'),
    (7, 'fathom', 1.8288, 'f'),
    (8, 'foot (Clarke)', 0.3047972654, 'ftCla'),
    (9, 'foot (Indian)', 0.3047995142, 'ftInd'),
    (10, 'yard (Sears)', 0.91439841, 'ydSea'),
    (11, 'yard (Indian)', 0.91439855, 'ydInd'),
    (12, 'link (Benoit)', 0.2011678249, 'lkBen'),
    (13, 'link (Clarke)', 0.201166195, 'lkCla'),
    (14, 'link (Sears)', 0.201167651216, 'lkSea'),
    (15, 'chain (Sears)', 20.1167651216, 'chSea');

-- Parameters as the parameter file keys them. Angles are edited in degrees.
INSERT INTO gp_projpar (id, name, abrev, type, fmt) VALUES
    (1, 'Latitude of origin', 'RefLatitude', 'dn', NULL),
    (2, 'Central meridian', 'CentralMeridian', 'de', NULL),
    (3, 'Scale factor', 'ScaleFactor', 'n', '%.10lf'),
    (4, 'North parallel', 'NorthParallel', 'dn', NULL),
    (5, 'South parallel', 'SouthParallel', 'dn', NULL),
    (6, 'Skew azimuth', 'SkewAzimuth', 'az', '%.9lf');

-- Every projection class a parameter file can name, ids 1..n in table order.
INSERT INTO gp_projections (id, name, abrev, numpar, par1, par2, par3, par4, par5) VALUES
    (1, 'Lambert Conformal Conic', 'LCC', 5, 1, 2, 4, 5, 3),
    (2, 'Mercator', 'MER', 2, 1, 2, NULL, NULL, NULL),
    (3, 'Transverse Mercator', 'TME', 3, 1, 2, 3, NULL, NULL),
    (4, 'Oblique Stereographic', 'OST', 3, 1, 2, 3, NULL, NULL),
    (5, 'Oblique Cylindrical', 'OCY', 3, 1, 2, 3, NULL, NULL),
    (6, 'Hotine Oblique Mercator', 'HOM', 4, 1, 2, 6, 3, NULL),
    (7, 'Rectified Skew Orthomorphic', 'RSO', 4, 1, 2, 6, 3, NULL),
    (8, 'Azimuthal Equidistant', 'AZD', 2, 1, 2, NULL, NULL, NULL),
    (9, 'Spherical Mercator', 'CME', 0, NULL, NULL, NULL, NULL, NULL),
    (10, 'Albers Equal Area', 'ALA', 4, 1, 2, 4, 5, NULL),
    (11, 'Cassini-Soldner', 'CAS', 2, 1, 2, NULL, NULL, NULL),
    (12, 'Polar Stereographic', 'PST', 3, 1, 2, 3, NULL, NULL),
    (13, 'Lambert Azimuthal Equal Area', 'AZA', 2, 1, 2, NULL, NULL, NULL),
    (14, 'Polyconic', 'POL', 2, 1, 2, NULL, NULL, NULL);

-- EPSG methods that a projection class computes faithfully, to the library's projection id.
-- Hotine variants are not mapped: their EPSG definitions need a rectified-grid angle that the
-- parameter record cannot hold. Mercator is kept only for scale factor 1 (see epsg.sql).
-- Modified Azimuthal Equidistant (its parameters 8801, 8802, 8806, 8807 are all read) is a
-- series good near its centre. Its one system in the dataset, EPSG 3295 (Yap Islands, within
-- 26 km of the centre), agrees with PROJ 9.1.1's aeqd (exact geodesics) to 0.24 mm forward and
-- inverse over its whole area of use (9.39..9.69 N, 137.99..138.27 E, every 0.0025 degrees);
-- 50 km out the difference grows to 2.6 mm. Check a new 9832 system's extent before relying on it.
INSERT INTO gp_projections_epsg (_epsg_code, gpid, name) VALUES
    (9801, 1, 'Lambert Conic Conformal (1SP)'),
    (9802, 1, 'Lambert Conic Conformal (2SP)'),
    (9804, 2, 'Mercator (variant A)'),
    (9806, 11, 'Cassini-Soldner'),
    (9807, 3, 'Transverse Mercator'),
    (9809, 4, 'Oblique Stereographic'),
    (9810, 12, 'Polar Stereographic (variant A)'),
    (9818, 17, 'American Polyconic'),
    (9820, 13, 'Lambert Azimuthal Equal Area'),
    (9822, 10, 'Albers Equal Area'),
    (9832, 8, 'Modified Azimuthal Equidistant');

-- The sample VDatum area that the suite folder carries (synthetic grids, see tests/tools).
INSERT INTO varea (id, abrev, description, found) VALUES
    (1, 'SampleBay', 'Sample Bay (synthetic)', 0),
    (2, 'NoSuchArea', 'Area without grids on disk', 0);

INSERT INTO vsurface (id, name, abrev) VALUES
    (1, 'Mean Lower Low Water', 'mllw'),
    (2, 'Mean Low Water', 'mlw'),
    (3, 'Mean Sea Level', 'msl'),
    (4, 'Mean High Water', 'mhw'),
    (5, 'Mean Higher High Water', 'mhhw');
