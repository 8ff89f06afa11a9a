-- Sent-message log: one row per send that the gateway accepted. Columns in the order of
-- every insert; dates as ISO text "yyyy-MM-dd HH:mm:ss". The report window lists the rows
-- of the current gateway kind and company (and those of company '-1'), newest tarih first.
CREATE TABLE tbl_giden (
  id          INTEGER PRIMARY KEY AUTOINCREMENT,
  msgid       TEXT,                  -- the gateway's message id of the send
  msg_tip     TEXT,                  -- kind of send ("Müşterilere mesaj gönder", ...)
  gateway     TEXT COLLATE NOCASE,   -- "Brenvik" or "Ambrel"
  paket_boyut INTEGER,               -- number of messages in the send
  mesaj       TEXT,                  -- "İlk Kayıt :" + the first message
  originator  TEXT,
  tarih       TEXT,                  -- time of the send
  gtarih      TEXT,                  -- time the gateway is to send
  sirket_kod  TEXT COLLATE NOCASE    -- ERP company code; '-1' = every company
);
CREATE INDEX tbl_giden_tarih ON tbl_giden (tarih);
