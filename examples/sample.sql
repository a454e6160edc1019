-- The object catalog of a small order-management application, for trying
-- Vantril out:  vantril  ->  kind "Form", database "sample.db".
--
-- Each row names one form, query or report. The two date columns have no
-- declared type, so every row keeps the form of date it was written in, and
-- all three forms SQLite knows appear below:
--   * ISO-8601 text, 'YYYY-MM-DD' or 'YYYY-MM-DD HH:MM[:SS]': a wall-clock
--     date, shown exactly as written ('2023-02-01' shows as midnight);
--   * a Julian day number (REAL), e.g. 2460037.5: an instant in UTC, shown in
--     the viewer's local time;
--   * Unix seconds (INTEGER), e.g. 1678090500: an instant in UTC, shown in
--     local time.
-- The rows mix them on purpose, as a catalog filled by several tools over
-- the years would. No date is NULL: Vantril cannot show a missing value, and
-- reports it as an error.

CREATE TABLE objects(kind TEXT, name TEXT, date_created, date_updated);

-- Lets the provider find one kind's objects already in display order.
CREATE INDEX objects_kind_name ON objects(kind, name COLLATE NOCASE);

BEGIN;

INSERT INTO objects(kind, name, date_created, date_updated) VALUES
  -- Forms: ISO text, at midnight and with a time of day.
  ('Form', 'Main Menu',            '2023-02-01',          '2024-11-28 17:42'),
  ('Form', 'Customers',            '2023-02-01',          '2024-10-15 09:12:44'),
  ('Form', 'Customer Orders',      '2023-02-03 10:20',    '2024-10-15'),
  ('Form', 'Orders',               '2023-02-03 10:45:00', '2024-12-02T08:30:00'),
  ('Form', 'Order Details',        '2023-02-03T11:05',    '2024-12-02T08:31'),
  ('Form', 'Products',             '2023-02-06',          '2024-06-14'),
  ('Form', 'Product Categories',   '2023-02-06 15:30',    '2023-02-06 15:30'),
  ('Form', 'Suppliers',            '2023-02-07',          '2023-02-07 14:00'),
  -- Forms: Unix seconds (INTEGER, UTC).
  ('Form', 'Employees',            1678090500,            1716309900),
  ('Form', 'Shippers',             1678090500,            1704672000),
  ('Form', 'Invoices',             1695045750,            1730719200),
  -- Forms: Julian days (REAL, UTC).
  ('Form', 'Login',                2460037.5,             2460646.875),
  ('Form', 'Settings',             2460229.9375,          2460369.5),
  ('Form', 'Stock Adjustments',    2460369.5,             2460476.2118055555),
  ('Form', 'Purchase Orders',      2460037.5,             1730719200),

  -- Queries: again all three forms.
  ('Query', 'Customer List',           '2023-02-10',          '2024-03-01 12:00'),
  ('Query', 'Customers by Region',     '2023-02-10 16:00',    '2024-03-01'),
  ('Query', 'Open Orders',             '2023-02-13',          '2024-12-02 08:29:10'),
  ('Query', 'Orders by Month',         1695045750,            1730719200),
  ('Query', 'Order Totals',            '2023-02-13 09:00',    1716309900),
  ('Query', 'Products Below Reorder',  2460229.9375,          2460646.875),
  ('Query', 'Product Sales',           '2023-03-01',          2460476.2118055555),
  ('Query', 'Sales by Employee',       1678090500,            '2024-05-21'),
  ('Query', 'Supplier Products',       2460037.5,             2460037.5),
  ('Query', 'Top Ten Customers',       '2023-03-01 13:15',    1704672000),
  ('Query', 'Unpaid Invoices',         1695045750,            2460646.875),
  ('Query', 'Unshipped Orders',        '2023-03-02',          '2024-11-04 11:20:00'),

  -- The only report, so browsing it shows a single record.
  ('Report', 'Invoice',                '2023-02-20',          '2024-12-02 08:45');

COMMIT;
