#include "platform/db/dataset.h"

#include <algorithm>
#include <cstdio>

#include "platform/db/record_source.h"
#include "platform/db/text_values.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"

namespace db {

namespace {

const paradox::Value kNull;

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

TFieldType fieldTypeOf(paradox::FieldType t)
{
    using F = paradox::FieldType;
    switch (t) {
    case F::Alpha:
        return TFieldType::ftString;
    case F::Date:
        return TFieldType::ftDate;
    case F::Short:
        return TFieldType::ftSmallint;
    case F::Long:
        return TFieldType::ftInteger;
    case F::Currency:
        return TFieldType::ftCurrency;
    case F::Number:
        return TFieldType::ftFloat;
    case F::Logical:
        return TFieldType::ftBoolean;
    case F::Memo:
        return TFieldType::ftMemo;
    case F::Blob:
        return TFieldType::ftBlob;
    case F::FormattedMemo:
        return TFieldType::ftFmtMemo;
    case F::Ole:
        return TFieldType::ftOle;
    case F::Graphic:
        return TFieldType::ftGraphic;
    case F::Time:
        return TFieldType::ftTime;
    case F::Timestamp:
        return TFieldType::ftDateTime;
    case F::AutoInc:
        return TFieldType::ftAutoInc;
    case F::Bcd:
        return TFieldType::ftBCD;
    case F::Bytes:
        return TFieldType::ftBytes;
    }
    return TFieldType::ftUnknown;
}

std::string twoDigits(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string dateText(double days) // d/m/yyyy as the old library wrote short dates here
{
    const rtl::DateParts p = rtl::DecodeDateTime(days);
    return twoDigits(p.day) + "/" + twoDigits(p.month) + "/" + std::to_string(p.year);
}

std::string timeText(double days)
{
    const rtl::DateParts p = rtl::DecodeDateTime(days);
    return twoDigits(p.hour) + ":" + twoDigits(p.minute) + ":" + twoDigits(p.second);
}

std::string textOf(const paradox::Value& v, TFieldType type)
{
    switch (v.index()) {
    case 0:
        return {};
    case 1:
        return std::get<std::string>(v);
    case 2: {
        const double d = std::get<double>(v);
        if (type == TFieldType::ftDate)
            return dateText(d);
        if (type == TFieldType::ftTime)
            return timeText(d);
        if (type == TFieldType::ftDateTime)
            return dateText(d) + " " + timeText(d);
        return rtl::FloatToStr(d);
    }
    case 3:
        return std::to_string(std::get<std::int64_t>(v));
    case 4:
        return std::get<bool>(v) ? "True" : "False";
    default: {
        const auto& b = std::get<paradox::Blob>(v);
        return std::string(b.begin(), b.end());
    }
    }
}

} // namespace

// --- TField -------------------------------------------------------------------

const paradox::Value& TField::Value() const
{
    if (index_ < 0 || !dataset_->records_)
        return kNull;
    if (dataset_->state_ == TDataSetState::dsSetKey)
        if (const paradox::Value* key = dataset_->KeyBufferValue(index_))
            return *key;
    return ValueAt(dataset_->RecNo());
}

const paradox::Value& TField::ValueAt(int recNo) const
{
    const int row = dataset_->RowOf(recNo);
    if (index_ < 0 || row < 0)
        return kNull;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(index_);
    // Reading a value the table could not give fails with what is wrong;
    // the rest of the record reads as usual.
    if (const paradox::DamagedValue* d = dataset_->records_->damage(r, c))
        throw EDatabaseError("Field '" + name_ + "' cannot be read: " + d->what);
    return dataset_->records_->value(r, c);
}

const paradox::DamagedValue* TField::Damage() const
{
    if (index_ >= 0 && dataset_->state_ == TDataSetState::dsSetKey && dataset_->KeyBufferValue(index_))
        return nullptr; // the key being edited, not a stored value
    return DamageAt(dataset_->RecNo());
}

const paradox::DamagedValue* TField::DamageAt(int recNo) const
{
    const int row = dataset_->RowOf(recNo);
    if (index_ < 0 || row < 0)
        return nullptr;
    return dataset_->records_->damage(static_cast<std::size_t>(row), static_cast<std::size_t>(index_));
}

bool TField::IsNull() const
{
    return std::holds_alternative<std::monostate>(Value());
}
bool TField::IsNullAt(int recNo) const
{
    return std::holds_alternative<std::monostate>(ValueAt(recNo));
}

std::string TField::AsString() const
{
    return textOf(Value(), type_);
}
std::string TField::AsStringAt(int recNo) const
{
    return textOf(ValueAt(recNo), type_);
}

namespace {

double floatOf(const TField& f, const paradox::Value& v)
{
    switch (v.index()) {
    case 0:
        return 0;
    case 1: {
        const std::string text = trimmed(std::get<std::string>(v));
        double d = 0;
        if (text.empty())
            return 0;
        if (textToFloat(text, d))
            return d;
        throw EDatabaseError(f.DataSet().DisplayName() + ": '" + text
            + "' is not a valid floating point value for field '" + f.FieldName() + "'");
    }
    case 2:
        return std::get<double>(v);
    case 3:
        return static_cast<double>(std::get<std::int64_t>(v));
    case 4:
        return std::get<bool>(v) ? 1 : 0;
    default:
        throw EDatabaseError(f.DataSet().DisplayName() + ": field '" + f.FieldName() + "' holds a blob, not a number");
    }
}

} // namespace

double TField::AsFloat() const
{
    return floatOf(*this, Value());
}
double TField::AsFloatAt(int recNo) const
{
    return floatOf(*this, ValueAt(recNo));
}

std::int64_t TField::AsInteger() const
{
    const paradox::Value& v = Value();
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    return rtl::Round(floatOf(*this, v));
}

bool TField::AsBoolean() const
{
    const paradox::Value& v = Value();
    if (const auto* b = std::get_if<bool>(&v))
        return *b;
    if (const auto* s = std::get_if<std::string>(&v)) {
        const std::string t = trimmed(*s);
        if (t.empty())
            return false;
        if (const std::optional<bool> b = textToBoolean(t))
            return *b;
        throw EDatabaseError(
            dataset_->DisplayName() + ": '" + t + "' is not a valid boolean value for field '" + name_ + "'");
    }
    return floatOf(*this, v) != 0;
}

std::vector<std::uint8_t> TField::AsBytes() const
{
    const paradox::Value& v = Value();
    if (const auto* b = std::get_if<paradox::Blob>(&v))
        return *b;
    const std::string s = textOf(v, type_);
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::string TField::DisplayText() const
{
    return DisplayTextAt(dataset_->RecNo());
}

std::string TField::DisplayTextAt(int recNo) const
{
    // A grid shows a damaged blob as an empty one; reading it says why.
    const paradox::Value& v = DamageAt(recNo) ? kNull : ValueAt(recNo);
    const bool null = std::holds_alternative<std::monostate>(v);
    switch (type_) {
    case TFieldType::ftMemo:
        return null ? "(Memo)" : "(MEMO)";
    case TFieldType::ftFmtMemo:
        return null ? "(Formatted Memo)" : "(FORMATTED MEMO)";
    case TFieldType::ftBlob:
    case TFieldType::ftBytes:
        return null ? "(Blob)" : "(BLOB)";
    case TFieldType::ftGraphic:
        return null ? "(Graphic)" : "(GRAPHIC)";
    case TFieldType::ftOle:
        return null ? "(OLE)" : "(OLE)";
    case TFieldType::ftCurrency:
        if (const auto* d = std::get_if<double>(&v))
            return rtl::FormatFloat("#,##0.00", *d);
        break;
    default:
        break;
    }
    return textOf(v, type_);
}

void TField::SetAsString(std::string_view text)
{
    if (dataset_->State() != TDataSetState::dsSetKey)
        throw EDatabaseError(dataset_->DisplayName() + ": Dataset not in edit or insert mode");
    if (index_ < 0)
        throw EDatabaseError(dataset_->DisplayName() + ": Field '" + name_ + "' is not open");
    dataset_->SetKeyBufferValue(index_, text);
}

// --- TDataSet -------------------------------------------------------------------

TDataSet::TDataSet(std::string name)
    : name_(std::move(name))
{
}

TDataSet::~TDataSet()
{
    // Views outliving the dataset must not point at it.
    for (TDataLink* link : links_) {
        if (link->OnEvent && Active())
            link->OnEvent(TDataEvent::deClosed);
        link->dataset_ = nullptr;
    }
}

std::string TDataSet::DisplayName() const
{
    return name_.empty() ? std::string("Dataset") : name_;
}

void TDataSet::CheckInactive(const char* what) const
{
    if (Active())
        throw EDatabaseError(DisplayName() + ": Cannot " + what + " on an open dataset");
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(DisplayName() + ": Cannot perform this operation on a closed dataset");
}

void TDataSet::Notify(TDataEvent event)
{
    // A handler may detach links (or itself) while we go through them.
    const std::vector<TDataLink*> snapshot = links_;
    for (TDataLink* link : snapshot) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end())
            continue;
        if (link->OnEvent)
            link->OnEvent(event);
    }
}

void TDataSet::DoAfterScroll()
{
    if (AfterScroll)
        AfterScroll(*this);
}

void TDataSet::BindFields()
{
    fields_.clear();
    for (auto& f : allFields_)
        f->index_ = -1;
    const auto& defs = records_->fields();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        TField* field = nullptr;
        for (auto& f : allFields_) {
            if (f->index_ < 0 && equalNoCase(f->name_, defs[i].name)) {
                field = f.get();
                break;
            }
        }
        if (!field) {
            allFields_.push_back(std::unique_ptr<TField>(new TField(this, defs[i].name)));
            field = allFields_.back().get();
        }
        field->name_ = defs[i].name;
        field->type_ = fieldTypeOf(defs[i].type);
        field->size_ = defs[i].size;
        field->index_ = static_cast<int>(i);
        fields_.push_back(field);
    }
}

void TDataSet::Open()
{
    if (Active())
        return;
    auto records = OpenRecords();
    records_ = std::move(records);
    state_ = TDataSetState::dsBrowse;
    BindFields();
    cursor_ = records_->count() > 0 ? 0 : -1;
    bof_ = true;
    eof_ = records_->count() == 0;
    Notify(TDataEvent::deOpened);
    DoAfterScroll();
}

void TDataSet::Close()
{
    if (!Active())
        return;
    state_ = TDataSetState::dsInactive;
    records_.reset();
    cursor_ = -1;
    bof_ = eof_ = true;
    fields_.clear();
    for (auto& f : allFields_)
        f->index_ = -1;
    Notify(TDataEvent::deClosed);
}

void TDataSet::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

int TDataSet::RecordCount() const
{
    return records_ ? static_cast<int>(records_->count()) : 0;
}

int TDataSet::RecNo() const
{
    return cursor_ < 0 ? 0 : cursor_ + 1;
}

std::vector<paradox::DamagedValue> TDataSet::DamagedFiles() const
{
    std::vector<paradox::DamagedValue> files;
    if (!Active() || !records_ || !records_->table())
        return files;
    for (const paradox::DamagedValue& d : records_->table()->table.damaged)
        if (std::none_of(files.begin(), files.end(), [&](const auto& f) { return f.file == d.file; }))
            files.push_back(d);
    return files;
}

int TDataSet::RowOf(int recNo) const
{
    if (!records_ || recNo < 1 || recNo > static_cast<int>(records_->count()))
        return -1;
    return recNo - 1;
}

void TDataSet::SetCursor(int index)
{
    cursor_ = records_ && records_->count() > 0 ? std::clamp(index, 0, static_cast<int>(records_->count()) - 1) : -1;
    bof_ = eof_ = cursor_ < 0;
}

void TDataSet::First()
{
    CheckActive();
    state_ = TDataSetState::dsBrowse;
    SetCursor(0);
    bof_ = true;
    Notify(TDataEvent::deScrolled);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckActive();
    state_ = TDataSetState::dsBrowse;
    SetCursor(RecordCount() - 1);
    eof_ = true;
    Notify(TDataEvent::deScrolled);
    DoAfterScroll();
}

void TDataSet::Next()
{
    MoveBy(1);
}
void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckActive();
    state_ = TDataSetState::dsBrowse;
    const int count = RecordCount();
    if (distance == 0 || count == 0) {
        if (distance > 0)
            eof_ = true;
        else if (distance < 0)
            bof_ = true;
        return 0;
    }
    const long long wanted = static_cast<long long>(cursor_) + distance;
    const int target = static_cast<int>(std::clamp<long long>(wanted, 0, count - 1));
    const int moved = target - cursor_;
    if (moved != 0) {
        cursor_ = target;
        bof_ = eof_ = false;
    }
    if (wanted > target)
        eof_ = true;
    if (wanted < target)
        bof_ = true;
    if (moved != 0) {
        Notify(TDataEvent::deScrolled);
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckActive();
    if (RecordCount() == 0)
        return;
    MoveBy(std::clamp(recNo, 1, RecordCount()) - RecNo());
}

TField& TDataSet::Field(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError(DisplayName() + ": Field index " + std::to_string(index) + " out of range");
    return *fields_[static_cast<std::size_t>(index)];
}

TField* TDataSet::FindField(std::string_view name)
{
    for (TField* f : fields_)
        if (equalNoCase(f->name_, name))
            return f;
    return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name)
{
    if (TField* f = FindField(name))
        return *f;
    throw EDatabaseError(DisplayName() + ": Field '" + std::string(name) + "' not found");
}

void TDataSet::ReplaceRecords(std::shared_ptr<const RecordSource> records, int cursor)
{
    records_ = std::move(records);
    BindFields();
    SetCursor(cursor);
    Notify(TDataEvent::deDataChanged);
}

const paradox::Value* TDataSet::KeyBufferValue(int) const
{
    return nullptr;
}

void TDataSet::SetKeyBufferValue(int, std::string_view)
{
    throw EDatabaseError(DisplayName() + ": Dataset not in edit or insert mode");
}

// --- TDataLink ------------------------------------------------------------------

TDataLink::TDataLink(TDataSet* dataset, std::function<void(TDataEvent)> onEvent)
    : OnEvent(std::move(onEvent))
{
    SetDataSet(dataset);
}

TDataLink::~TDataLink()
{
    SetDataSet(nullptr);
}

void TDataLink::SetDataSet(TDataSet* dataset)
{
    if (dataset_ == dataset)
        return;
    if (dataset_) {
        auto& links = dataset_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    dataset_ = dataset;
    if (dataset_)
        dataset_->links_.push_back(this);
}

} // namespace db
