// Reading a formula: a recursive-descent parser that writes the operations in the order they
// run (each operand before its operator), so evaluation is one pass over a short list.
#include "reading/computed/formula.h"
#include "reading/computed/si_number.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxNesting = 64;       // a hostile text cannot exhaust the stack
constexpr int kMaxLength = 4000;

struct FunctionInfo {
    const char* name;
    Formula::Op op;
    int minArgs, maxArgs;
};
const FunctionInfo kFunctions[] = {
    {"abs", Formula::Op::Abs, 1, 1},   {"sqrt", Formula::Op::Sqrt, 1, 1},
    {"min", Formula::Op::Min, 2, 64},  {"max", Formula::Op::Max, 2, 64},
    {"integral", Formula::Op::Integral, 1, 1},
};

const FunctionInfo* functionNamed(const QString& name)
{
    for (const auto& f : kFunctions)
        if (name == QLatin1String(f.name))
            return &f;
    return nullptr;
}

bool isNameStart(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
bool isNameChar(QChar c) { return isNameStart(c) || (c >= u'0' && c <= u'9'); }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}   // namespace

bool isPlainName(const QString& name)
{
    if (name.isEmpty() || !isNameStart(name[0]) || functionNamed(name))
        return false;
    for (QChar c : name)
        if (!isNameChar(c))
            return false;
    return true;
}

class FormulaParser {
public:
    FormulaParser(const QString& text, const QStringList& names, Formula& out) : s_(text), names_(names), out_(out) {}

    bool run(FormulaError* error)
    {
        skipBlanks();
        if (s_.size() > kMaxLength)
            fail(kMaxLength + 1, QStringLiteral("the expression is longer than %1 characters").arg(kMaxLength));
        else if (at_ >= s_.size())
            fail(1, QStringLiteral("the expression is empty"));
        if (!error_.message.isEmpty() || !expression())
            return report(error);
        skipBlanks();
        if (at_ < s_.size())
            fail(at_ + 1, QStringLiteral("unexpected '%1'").arg(s_[at_]));
        return report(error);
    }

private:
    bool report(FormulaError* error)
    {
        if (error_.message.isEmpty())
            return true;
        if (error)
            *error = error_;
        out_ = Formula();
        return false;
    }
    bool fail(int position, const QString& message)
    {
        if (error_.message.isEmpty())
            error_ = {position, message};
        return false;
    }
    void skipBlanks()
    {
        while (at_ < s_.size() && s_[at_].isSpace())
            ++at_;
    }
    bool take(QChar c)
    {
        skipBlanks();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void add(Formula::Op op, int position, int index = 0, double number = 0)
    {
        out_.ops_.push_back({op, position, index, number});
        const bool pushes = op == Formula::Op::Number || op == Formula::Op::Slot;
        const bool pops = op == Formula::Op::Add || op == Formula::Op::Subtract || op == Formula::Op::Multiply
                          || op == Formula::Op::Divide || op == Formula::Op::Min || op == Formula::Op::Max;
        depth_ += pushes ? 1 : pops ? -1 : 0;
        out_.stackDepth_ = std::max(out_.stackDepth_, depth_);
    }

    bool expression()
    {
        if (++nesting_ > kMaxNesting)
            return fail(at_ + 1, QStringLiteral("the expression is nested too deeply"));
        bool ok = term();
        for (;;) {
            skipBlanks();
            const int position = at_ + 1;
            if (!ok || !(take(u'+') || take(u'-')))
                break;
            const bool plus = s_[at_ - 1] == u'+';
            ok = term();
            add(plus ? Formula::Op::Add : Formula::Op::Subtract, position);
        }
        --nesting_;
        return ok;
    }
    bool term()
    {
        bool ok = unary();
        for (;;) {
            skipBlanks();
            const int position = at_ + 1;
            if (!ok || !(take(u'*') || take(u'/')))
                break;
            const bool multiply = s_[at_ - 1] == u'*';
            ok = unary();
            add(multiply ? Formula::Op::Multiply : Formula::Op::Divide, position);
        }
        return ok;
    }
    // A leading minus binds looser than ^: -2^2 is -4.
    bool unary()
    {
        skipBlanks();
        const int position = at_ + 1;
        if (take(u'-')) {
            if (++nesting_ > kMaxNesting)
                return fail(position, QStringLiteral("the expression is nested too deeply"));
            const bool ok = unary();
            --nesting_;
            add(Formula::Op::Negate, position);
            return ok;
        }
        if (take(u'+'))
            return unary();
        return power();
    }
    bool power()
    {
        if (!primary())
            return false;
        skipBlanks();
        const int position = at_ + 1;
        if (!take(u'^'))
            return true;
        double exponent = 0;
        if (!plainExponent(exponent))
            return false;
        add(Formula::Op::Power, position, 0, exponent);
        return true;
    }
    // The exponent of ^: a signed number, itself perhaps raised ("2^3^2" is 2^9).
    bool plainExponent(double& value)
    {
        skipBlanks();
        const int position = at_ + 1;
        if (++nesting_ > kMaxNesting)
            return fail(position, QStringLiteral("the expression is nested too deeply"));
        double sign = 1;
        if (take(u'-'))
            sign = -1;
        else
            take(u'+');
        skipBlanks();
        if (at_ >= s_.size() || !(isDigit(s_[at_]) || s_[at_] == u'.'))
            return fail(position, QStringLiteral("the exponent after ^ must be a plain number"));
        double base = 0;
        if (!number(base))
            return false;
        skipBlanks();
        if (take(u'^')) {
            double next = 0;
            if (!plainExponent(next))
                return false;
            base = std::pow(base, next);
        }
        --nesting_;
        value = sign * base;
        if (!std::isfinite(value))
            return fail(position, QStringLiteral("the exponent is too large"));
        return true;
    }

    bool primary()
    {
        skipBlanks();
        const int position = at_ + 1;
        if (at_ >= s_.size())
            return fail(position, QStringLiteral("a number, a name or '(' is missing at the end"));
        const QChar c = s_[at_];
        if (isDigit(c) || c == u'.') {
            double value = 0;
            if (!number(value))
                return false;
            add(Formula::Op::Number, position, 0, value);
            return true;
        }
        if (isNameStart(c))
            return nameOrCall();
        if (take(u'(')) {
            if (!expression())
                return false;
            if (!take(u')'))
                return fail(at_ + 1, QStringLiteral("')' is missing for the '(' at %1").arg(position));
            return true;
        }
        return fail(position, QStringLiteral("unexpected '%1': a number, a name or '(' belongs here").arg(c));
    }

    // A number as users write them, with its optional SI prefix letter.
    bool number(double& value)
    {
        const int start = at_;
        if (!readSiNumber(s_, at_, value))
            return fail(start + 1, QStringLiteral("'%1' is not a number").arg(s_.mid(start, at_ - start)));
        if (at_ < s_.size() && (isNameChar(s_[at_]) || s_[at_] == u'.'))
            return fail(at_ + 1, QStringLiteral("unexpected '%1' after a number (a formula has no units; write 2*x "
                                                "for a product)").arg(s_[at_]));
        return true;
    }

    bool nameOrCall()
    {
        const int start = at_;
        while (at_ < s_.size() && isNameChar(s_[at_]))
            ++at_;
        const QString name = s_.mid(start, at_ - start);
        if (const FunctionInfo* f = functionNamed(name))
            return call(*f, start + 1);
        skipBlanks();
        if (at_ < s_.size() && s_[at_] == u'(')
            return fail(start + 1, QStringLiteral("'%1' is not a function (abs, sqrt, min, max, integral)").arg(name));
        const int slot = names_.indexOf(name);
        if (slot < 0)
            return fail(start + 1, QStringLiteral("unknown name '%1'").arg(name));
        auto& used = out_.slotsUsed_;
        if (std::find(used.begin(), used.end(), slot) == used.end())
            used.insert(std::upper_bound(used.begin(), used.end(), slot), slot);
        add(Formula::Op::Slot, start + 1, slot);
        return true;
    }

    bool call(const FunctionInfo& f, int position)
    {
        const QString name = QLatin1String(f.name);
        if (!take(u'('))
            return fail(position, QStringLiteral("%1 needs its argument in parentheses: %1(x)").arg(name));
        int args = 0;
        do {
            if (!expression())
                return false;
            if (++args > 1)
                add(f.op, position);
        } while (take(u','));
        if (!take(u')'))
            return fail(at_ + 1, QStringLiteral("')' or ',' is missing in %1(").arg(name));
        if (args < f.minArgs || args > f.maxArgs)
            return fail(position, f.minArgs == f.maxArgs ? QStringLiteral("%1 takes one value").arg(name)
                                                         : QStringLiteral("%1 takes two or more values").arg(name));
        if (f.maxArgs == 1)
            add(f.op, position, f.op == Formula::Op::Integral ? out_.integralCount_++ : 0);
        return true;
    }

    const QString& s_;
    const QStringList& names_;
    Formula& out_;
    FormulaError error_;
    int at_ = 0;
    int nesting_ = 0;
    int depth_ = 0;
};

Formula Formula::parse(const QString& expression, const QStringList& names, FormulaError* error)
{
    Formula f;
    FormulaParser(expression, names, f).run(error);
    return f;
}
