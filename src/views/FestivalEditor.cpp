#include "views/FestivalEditor.h"

#include "platform/Prompter.h"
#include "settings/CIniFile.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>

const char* const kFestivalClassLabels[4] = {"法定节日", "传统节日", "外国节日", "自定义"};

namespace {

constexpr const char* kDuplicateCaption = "提示";

// True when a festival of that name is stored. Throws DbError.
bool NameExists(CAdoDatabase& db, const std::string& name) {
    db.Execute(SqlFormat("Select * From Festival Where FestivalName='%s'", name));
    return db.GetRecordCount() > 0;
}

bool ConfirmDuplicate(Prompter& prompter, const char* question) {
    return prompter.Ask(question, kDuplicateCaption, PromptButtons::YesNo, PromptIcon::Question) ==
           PromptAnswer::Yes;
}

} // namespace

std::string FestivalClassText(int festivalClass) {
    if (festivalClass >= 0 && festivalClass < static_cast<int>(std::size(kFestivalClassLabels)))
        return kFestivalClassLabels[festivalClass];
    return std::to_string(festivalClass);
}

const char* FestivalCalendarText(int gorN) {
    return gorN == kFestivalLunar ? "阴历" : "阳历";
}

std::vector<std::string> FestivalListTexts(const FestivalRow& row) {
    return {std::to_string(row.id),
            FestivalClassText(row.festivalClass),
            row.name,
            FestivalCalendarText(row.gorN),
            std::to_string(row.month),
            std::to_string(row.day)};
}

std::optional<std::vector<FestivalRow>> ReadFestivalList(Prompter& prompter) {
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("读取节日列表");
        db.Open();
        db.Execute("Select * From Festival Order By Class,Month,Day");
        std::vector<FestivalRow> rows;
        for (; !db.IsEOF(); db.MoveNext())
            rows.push_back({db.GetCollect("编号").AsInt(), db.GetCollect("Class").AsInt(),
                            db.GetCollect("GorN").AsInt(), db.GetCollect("Month").AsInt(),
                            db.GetCollect("Day").AsInt(),
                            db.GetCollect("FestivalName").AsString()});
        db.Close();
        return rows;
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return std::nullopt;
    }
}

std::string FestivalDateProblem(const FestivalForm& form) {
    // The longest each month gets in any year: 29 February counts, it shows in leap years.
    static constexpr int kLongestGregorianMonth[12] = {31, 29, 31, 30, 31, 30,
                                                       31, 31, 30, 31, 30, 31};
    const bool lunar = form.calendar == kFestivalLunar;
    const int longest = lunar ? 30 : kLongestGregorianMonth[std::clamp(form.month, 1, 12) - 1];
    if (form.day <= longest)
        return {};
    return lunar ? "阴历每月最多30日，请重新选择日期。"
                 : "阳历" + std::to_string(form.month) + "月没有" + std::to_string(form.day) +
                       "日，请重新选择日期。";
}

namespace {

bool RefuseDate(const FestivalForm& form, Prompter& prompter) {
    const std::string problem = FestivalDateProblem(form);
    if (!problem.empty())
        prompter.Tell(problem);
    return !problem.empty();
}

} // namespace

bool AddFestival(const FestivalForm& form, Prompter& prompter) {
    if (RefuseDate(form, prompter))
        return false;
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("添加节日");
        db.Open();
        if (NameExists(db, form.name) &&
            !ConfirmDuplicate(prompter, "该节日名称已存在！您确定要添加相同的名称吗？"))
            return false;
        db.Execute(SqlFormat("InSert Into Festival([Class],GorN,[Month],[Day],FestivalName)"
                             "Values(%d,%d,%d,%d,'%s')",
                             form.festivalClass, form.calendar, form.month, form.day, form.name));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return false;
    }
    prompter.Tell("添加成功！");
    return true;
}

bool UpdateFestival(int key, const std::string& storedName, const FestivalForm& form,
                    Prompter& prompter) {
    if (RefuseDate(form, prompter))
        return false;
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("修改节日");
        db.Open();
        if (form.name != storedName && NameExists(db, form.name) &&
            !ConfirmDuplicate(prompter, "该节日名称已存在！您确定要修改它与别的节日相同的名称吗？"))
            return false;
        db.Execute(SqlFormat("Update Festival Set [Class]=%d,GorN=%d,[Month]=%d,[Day]=%d,"
                             "FestivalName='%s' Where 编号=%d",
                             form.festivalClass, form.calendar, form.month, form.day, form.name,
                             key));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return false;
    }
    prompter.Tell("修改成功！");
    return true;
}

bool DeleteFestival(int key, Prompter& prompter) {
    try {
        CAdoDatabase db(g_ConnectionString);
        db.SetTask("删除节日");
        db.Open();
        db.Execute(SqlFormat("Delete * From Festival Where 编号=%d", key));
        db.Close();
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return false;
    }
    prompter.Tell("删除成功！");
    return true;
}

bool WriteFestivalOptions(const FestivalOptions& options, Prompter& prompter) {
    CIniFile ini("annivo.ini");
    const bool written = ini.WriteString("Festival", "24Fest", options.solarTerms ? "1" : "0") &&
                         ini.WriteString("Festival", "Birthday", options.birthdays ? "1" : "0");
    if (!written)
        prompter.Tell("无法保存节日选项：不能写入 " + ini.Path().string() + "。");
    return written;
}
