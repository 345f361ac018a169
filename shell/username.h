#pragma once
#include <QString>

inline constexpr int MaxUserNameLength = 15;

// A name the records file can hold and give back: 1 to 15 characters, not only
// spaces, no comma, no double quote at its start (spaces in front do not count), no
// control character, and every character one that Windows-1251 can hold.
bool isAcceptableUserName(const QString &name);
