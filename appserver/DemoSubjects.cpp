#include "DemoSubjects.h"

#include <QString>

QList<TDemoSubject> DemoSubjects() {
    return {
        {"CH", "國文", "Chinese", 4, 8, "1", "", "T001"},
        {"EN", "英文", "English", 4, 8, "1", "", "E003"},
        {"MA", "數學", "Mathematics", 4, 8, "2", "", "E004"},
        {"PH", "物理", "Physics", 2, 4, "4", "物理實驗室", "E002"},
        {"HI", "歷史", "History", 2, 4, "3", "", "E006"},
        {"IT", "資訊科技", "Information Technology", 2, 4, "7", "電腦教室", "T002"},
        {"CM", "化學", "Chemistry", 2, 5, "4", "化學實驗室", ""},
        {"BI", "生物", "Biology", 2, 5, "4", "生物實驗室", ""},
        {"GE", "地理", "Geography", 2, 5, "3", "", ""},
        {"CI", "公民與社會", "Civics and Society", 2, 5, "3", "", ""},
        {"PE", "體育", "Physical Education", 2, 5, "8", "操場", ""},
        {"MS", "音樂", "Music", 1, 2, "5", "音樂教室", ""},
        {"FA", "美術", "Fine Arts", 1, 2, "5", "美術教室", ""},
        {"HN", "健康與護理", "Health and Nursing", 1, 2, "8", "", ""},
        {"ND", "全民國防教育", "National Defense Education", 1, 2, "9", "", ""},
        {"CP", "生涯規劃", "Career Planning", 1, 2, "6", "", ""},
    };
}

bool IsFirstClass(const QString &classId) {
    static const char *const first[] = {"101", "102", "201", "202", "301"};
    for (const char *c : first)
        if (classId == QLatin1String(c))
            return true;
    return false;
}
