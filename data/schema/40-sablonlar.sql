-- Message templates. A text lies in sablon_p1 and sablon_p2 and is read back joined:
-- COALESCE(sablon_p1,'') || COALESCE(sablon_p2,''). A writer that leaves sablon_p2 out
-- leaves it Null. id is never written by the program; ids are not reused.
CREATE TABLE tbl_sablonlar (
  id         INTEGER PRIMARY KEY AUTOINCREMENT,
  msgid      TEXT COLLATE NOCASE,        -- "00", or the gateway's message id of a send
  sablon_tip TEXT COLLATE NOCASE,        -- message kind key ("BakiyeMesaj", ... "HizliMesaj")
  sablon_p1  TEXT COLLATE NOCASE,        -- the text, or its characters 1 to 255
  sablon_p2  TEXT COLLATE NOCASE         -- characters 256 to the end
);
CREATE INDEX ix_sablonlar_tip ON tbl_sablonlar (sablon_tip);
