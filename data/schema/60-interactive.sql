-- Interactive SMS service. The automatic program stores every incoming message in
-- tbl_int_msgbox and every answer it sent in tbl_int_donus; the main program shows both.
-- AUTOINCREMENT: an id never comes back after a delete, so an old answer never points at a
-- newer message. tarih is ISO text "yyyy-MM-dd HH:mm:ss".
CREATE TABLE tbl_int_msgbox (
  id    INTEGER PRIMARY KEY AUTOINCREMENT,
  tarih TEXT,                            -- when the message was stored
  gsmno TEXT,                            -- sender's number as the service gave it
  msg   TEXT COLLATE NOCASE              -- the text, CR LF pairs turned into one blank
);
CREATE INDEX ix_int_msgbox_tarih ON tbl_int_msgbox (tarih);
-- The number of rows in tbl_int_msgbox, kept by every writer's inserts and deletes, so the
-- inbox window learns whether the inbox changed without counting it on each refresh.
CREATE TABLE int_msgbox_count (n INTEGER NOT NULL);
INSERT INTO int_msgbox_count VALUES (0);
CREATE TRIGGER int_msgbox_count_insert AFTER INSERT ON tbl_int_msgbox
BEGIN UPDATE int_msgbox_count SET n = n + 1; END;
CREATE TRIGGER int_msgbox_count_delete AFTER DELETE ON tbl_int_msgbox
BEGIN UPDATE int_msgbox_count SET n = n - 1; END;

CREATE TABLE tbl_int_donus (
  id         INTEGER PRIMARY KEY AUTOINCREMENT, -- never read or written by the programs
  gelenid    INTEGER,                    -- id of the answered message; 0 when not found
  donusmesaj TEXT                        -- the answer as sent
);
CREATE INDEX ix_int_donus_gelenid ON tbl_int_donus (gelenid);
-- Messages whose answer's request is out or may be out, recorded before the request goes;
-- the row goes when the answer's rows are written or the reply shows nothing went out. A
-- message recorded here is never answered again. The program makes the table in older
-- database files.
CREATE TABLE tbl_int_yanitlanan (
  gelenid INTEGER PRIMARY KEY            -- id of the message in tbl_int_msgbox
);

-- Keyword rules: exactly these nine text columns in this order; rows are inserted and read
-- by position. One keyword over all companies; 'noprm' of company '-1' is the default rule.
CREATE TABLE tbl_int_parametre (
  parametre       TEXT COLLATE NOCASE UNIQUE, -- 0: keyword (upper-case ASCII letters and digits)
  geridonus_tipi  TEXT,                  -- 1: "0" by the sender's number, "1" by the value after the keyword
  sorgu_tablosu   TEXT,                  -- 2: message kind of the ERP query searched
  sorgu_alani     TEXT,                  -- 3: column compared with the value after the keyword
  sorgu_alan_tipi TEXT,                  -- 4: "Sayı" as a number, otherwise as text
  donus_mesaj     TEXT,                  -- 5: answer when an account is found
  flg_kayityok    TEXT,                  -- 6: "0" no answer when none is found, else kayityok_mesaj
  kayityok_mesaj  TEXT,                  -- 7: answer when no account is found
  sirket_kod      TEXT                   -- 8: ERP company code; '-1' = every company
);
INSERT INTO tbl_int_parametre VALUES ('noprm','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'-1');
