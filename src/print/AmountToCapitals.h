#pragma once

#include <QString>

// An amount of money in yuan written in Chinese capital numerals, as invoices state the total:
// "壹仟零伍圆整", "负数:伍圆伍角整"; "溢出" beyond ±9 999 999 999 999.99.
QString AmountToCapitals(long double amount);
