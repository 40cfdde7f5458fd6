// CStringException: the program's own exception, a source name and a message.
#pragma once

#include <cstddef>

class CStringException {
public:
    static constexpr size_t FieldLength = 256;      // 255 characters and the terminating zero
    static constexpr size_t SharedTextLength = FieldLength * 2 + 1;  // "where: what" always fits

    CStringException(const wchar_t* where, const wchar_t* what);

    const wchar_t* Where() const { return m_where; }
    const wchar_t* What() const { return m_what; }

    // "where: what", in one buffer shared by the whole process. Valid until the
    // next ToString call anywhere; throws a wide text when the text lock fails.
    const wchar_t* ToString() const;

private:
    wchar_t m_where[FieldLength];
    wchar_t m_what[FieldLength];
};

// The text that tells the user about the exception being handled; call only inside a catch
// block. A CStringException gives its ToString text (its message alone when the text lock
// fails), a thrown wide text is itself, anything else is `unknown`. The pointer stays valid
// until the catch block ends or ToString is called again.
const wchar_t* ExceptionText(const wchar_t* unknown) noexcept;
