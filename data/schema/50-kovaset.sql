-- Day marks of the automatic program's greetings: one row per day ('yyyy-MM-dd') on which
-- every greeting part of every company was done. Nothing deletes them.
CREATE TABLE tbl_kovaset (
  tarih TEXT PRIMARY KEY                 -- the day, 'yyyy-MM-dd'
);
-- The greeting parts done on a day: one row per company and kind. msgid is the gateway's
-- message id of the accepted send; Null marks a part whose request went out without an answer
-- (it may have been sent, so it is not sent again that day).
CREATE TABLE tbl_kovaset_parca (
  tarih      TEXT NOT NULL,              -- the day, 'yyyy-MM-dd'
  sirket_kod TEXT NOT NULL,              -- ERP company code
  msg_tip    TEXT NOT NULL,              -- "Doğum günü tebriği" or "Evlilik yıldönümü tebriği"
  msgid      TEXT,
  PRIMARY KEY (tarih, sirket_kod, msg_tip)
);
-- Greeting parts whose reply was neither accepted nor a gateway code (a proxy's error page,
-- stray bytes), counted per day: such a part is tried at most three times a day. The
-- program makes the table in older database files at the first such reply.
CREATE TABLE tbl_kovaset_deneme (
  tarih      TEXT NOT NULL,              -- the day, 'yyyy-MM-dd'
  sirket_kod TEXT NOT NULL,              -- ERP company code
  msg_tip    TEXT NOT NULL,              -- the part's kind
  sayi       INTEGER NOT NULL,           -- unclear replies that day
  PRIMARY KEY (tarih, sirket_kod, msg_tip)
);
