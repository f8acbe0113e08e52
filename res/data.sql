-- The database the program ships with. The build turns this text into data.db
-- beside the executable, once; a data.db that is already there is never replaced.
--
-- Declared column types, and the kind each stands for (the number is the one
-- the workbook exchange uses for that kind):
--   INTEGER       long integer (32-bit)            3
--   VARCHAR(n)    text of at most n characters    202
--   LONGTEXT      long text                       203
--   DATETIME      date/time, kept as text
--                 'YYYY-MM-DD HH:MM:SS'             7
--   YESNO         yes/no, 0 or 1 (-1 reads as 1)   11 (only in MySetting)
-- LONGTEXT has text affinity in SQLite, so a long text that happens to look
-- like a number stays text.

CREATE TABLE TiXing (
    ID            INTEGER PRIMARY KEY AUTOINCREMENT,
    m_State       VARCHAR(10)  DEFAULT '生效',
    m_Name        VARCHAR(50)  DEFAULT '',
    m_Date        DATETIME,
    m_DateStatus  VARCHAR(10)  DEFAULT '',
    m_SoundPath   VARCHAR(255) DEFAULT '',
    m_Email       VARCHAR(100) DEFAULT '',
    m_Title       VARCHAR(100) DEFAULT '',
    m_Content     LONGTEXT     DEFAULT '',
    m_Ahead       INTEGER      DEFAULT 0,
    m_IsVailid    INTEGER      DEFAULT 1,
    m_Mobile      VARCHAR(50)  DEFAULT '',
    m_QQ          VARCHAR(50)  DEFAULT '',
    m_Group       VARCHAR(50)  DEFAULT '',
    m_Company     VARCHAR(100) DEFAULT '',
    m_Department  VARCHAR(100) DEFAULT '',
    m_Position    VARCHAR(50)  DEFAULT '',
    m_CompTel     VARCHAR(50)  DEFAULT '',
    m_CompAddr    VARCHAR(255) DEFAULT '',
    m_Fax         VARCHAR(50)  DEFAULT '',
    m_HomeTel     VARCHAR(50)  DEFAULT '',
    m_HomeAddr    VARCHAR(255) DEFAULT ''
);

-- The calendar asks for the reminders in birth-date order on every month it shows.
CREATE INDEX TiXingRemindersByDate ON TiXing (m_IsVailid, m_Date);
-- Every editor finds a person by name: to show, to check a name is free, to write.
CREATE INDEX TiXingByName ON TiXing (m_Name);

CREATE TABLE Festival (
    编号          INTEGER PRIMARY KEY AUTOINCREMENT,
    [Class]       INTEGER      DEFAULT 0,
    GorN          INTEGER      DEFAULT 1,
    [Month]       INTEGER      DEFAULT 1,
    [Day]         INTEGER      DEFAULT 1,
    FestivalName  VARCHAR(50)  DEFAULT ''
);

CREATE TABLE MySetting (
    m_Name        VARCHAR(50)  DEFAULT '',
    m_MyMobile    VARCHAR(50)  DEFAULT '',
    m_IsLock      INTEGER      DEFAULT 0,
    m_UnLockPwd   VARCHAR(50)  DEFAULT '',
    m_DayWnd      YESNO        DEFAULT 1,
    m_DayEmail    YESNO        DEFAULT 0,
    m_AheadWnd    YESNO        DEFAULT 1,
    m_AheadEmail  YESNO        DEFAULT 0,
    m_EveryDay    YESNO        DEFAULT 1,
    m_AcceptEmail VARCHAR(100) DEFAULT '',
    m_SmtpSelect  INTEGER      DEFAULT 0,
    m_Email       VARCHAR(100) DEFAULT '',
    m_ServerName  VARCHAR(100) DEFAULT '',
    m_UserName    VARCHAR(50)  DEFAULT '',
    m_Password    VARCHAR(50)  DEFAULT ''
);

-- The one settings row: reminders by window on the day and ahead (every day
-- of the window), no mails yet since no receiving address is known, no lock,
-- the user's own sender account.
INSERT INTO MySetting (m_Name, m_MyMobile, m_IsLock, m_UnLockPwd,
                       m_DayWnd, m_DayEmail, m_AheadWnd, m_AheadEmail, m_EveryDay,
                       m_AcceptEmail, m_SmtpSelect,
                       m_Email, m_ServerName, m_UserName, m_Password)
VALUES ('', '', 0, '', 1, 0, 1, 0, 1, '', 0, '', '', '', '');

-- Festivals. Class: 0 public holiday (shown as a day off), 1 traditional and
-- commemorative days, 2 foreign festivals. GorN: 1 Gregorian date, 0 lunar.
-- Names have at most three characters so that a calendar cell shows them whole.
-- 除夕 stands on lunar 12-30: the calendar shows a festival on a 30th on the
-- 29th of a month that has no 30th, so it falls on the last day of 腊月 every year.
-- Left out on purpose, because one fixed month and day cannot name them:
-- 清明节 (a solar term, which the calendar adds by itself), 母亲节, 父亲节 and
-- 感恩节 (a weekday of a week of the month).
INSERT INTO Festival ([Class], GorN, [Month], [Day], FestivalName) VALUES
    (0, 1,  1,  1, '元旦'),
    (0, 0, 12, 30, '除夕'),
    (0, 0,  1,  1, '春节'),
    (0, 1,  5,  1, '劳动节'),
    (0, 1, 10,  1, '国庆节'),
    (0, 0,  5,  5, '端午节'),
    (0, 0,  8, 15, '中秋节'),

    (1, 0,  1, 15, '元宵节'),
    (1, 0,  2,  2, '龙抬头'),
    (1, 0,  7,  7, '七夕'),
    (1, 0,  7, 15, '中元节'),
    (1, 0,  9,  9, '重阳节'),
    (1, 0, 10,  1, '寒衣节'),
    (1, 0, 12,  8, '腊八节'),
    (1, 0, 12, 23, '小年'),

    (1, 1,  3,  8, '妇女节'),
    (1, 1,  3, 12, '植树节'),
    (1, 1,  5,  4, '青年节'),
    (1, 1,  5, 12, '护士节'),
    (1, 1,  6,  1, '儿童节'),
    (1, 1,  7,  1, '建党节'),
    (1, 1,  8,  1, '建军节'),
    (1, 1,  9, 10, '教师节'),
    (1, 1, 11,  8, '记者节'),

    (2, 1,  2, 14, '情人节'),
    (2, 1,  4,  1, '愚人节'),
    (2, 1, 10, 31, '万圣夜'),
    (2, 1, 11,  1, '万圣节'),
    (2, 1, 12, 24, '平安夜'),
    (2, 1, 12, 25, '圣诞节');
