-- Gateway account: exactly one row, read by column position (0 to 10).
CREATE TABLE tbl_ayarlar (
  ayar_kod        TEXT,                  -- 0: never read or written
  kullanici_adi   TEXT,                  -- 1: hosted gateway user name
  parola          TEXT,                  -- 2: hosted gateway password
  ckey            TEXT,                  -- 3: hosted gateway client code
  yedek           TEXT,                  -- 4: never read or written
  flg_kaydet      TEXT,                  -- 5: hosted credentials saved ("1"/"0")
  kullanici_adi_i TEXT,                  -- 6: on-premises server user name
  parola_i        TEXT,                  -- 7: on-premises server password
  flg_kaydet_i    TEXT,                  -- 8: on-premises credentials saved
  flg_gw          TEXT,                  -- 9: "0" hosted, "1" on-premises
  url_ambrel      TEXT                   -- 10: on-premises server POST URL
);
INSERT INTO tbl_ayarlar (kullanici_adi, parola, ckey, flg_kaydet, kullanici_adi_i, parola_i,
                         flg_kaydet_i, flg_gw, url_ambrel)
VALUES ('', '', '', '0', '', '', '0', '0', '');

-- Named text parameters.
CREATE TABLE tbl_param (
  parametre TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,
  deger     TEXT
);
INSERT INTO tbl_param (parametre, deger) VALUES
  ('OrvekServer', ''),
  ('OrvekDatabase', ''),
  ('OrvekUser', ''),
  ('OrvekPassword', ''),
  ('flg_kovaset', '1'),
  ('flg_raporad', '0'),
  ('KovasetBasla', '09:00:00'),
  ('KovasetBitir', '18:00:00'),
  ('flg_interaktif', '0'),
  ('IntKullanici', ''),
  ('IntParola', ''),
  ('IntPeriyot', ''),
  ('IntDonusTip', '0'),
  ('Int1Mesaj', '');
