-- Greeting settings of the automatic program: one row per ERP company, read by column
-- position (0 to 7). The company window creates a company's row on its first choice.
CREATE TABLE tbl_kovaset_ayar (
  ayar_no         INTEGER PRIMARY KEY AUTOINCREMENT, -- 0: never read or written
  sirket_kod      TEXT NOT NULL COLLATE NOCASE UNIQUE, -- 1: ERP company code (SDK.Kod)
  flg_dgun_mesaj  TEXT,                  -- 2: birthday greetings "1" on, "0" off
  dgun_mesaj      TEXT,                  -- 3: birthday greeting text
  dgun_gonderen   TEXT,                  -- 4: originator of the birthday greetings
  flg_evyil_mesaj TEXT,                  -- 5: anniversary greetings "1" on, "0" off
  evyil_mesaj     TEXT,                  -- 6: anniversary greeting text
  evyil_gonderen  TEXT                   -- 7: originator of the anniversary greetings
);
