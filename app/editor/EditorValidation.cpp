// Reading and checking what the user typed in the parameter editor: every
// field read as the number or angle it must hold, the required ones filled,
// and the row's values within the bounds every loader keeps
// (core::CheckEllipsoid and the others), before any question is asked.

#include <initializer_list>

#include "app/editor/EditorFields.h"
#include "app/editor/EditorModel.h"
#include "base/Utf8.h"
#include "core/NumberText.h"
#include "core/ParamColumns.h"
#include "core/ParamRules.h"
#include "core/Params.h"
#include "store/Engine.h"

namespace app {

using namespace editor;

namespace editor {

double Number(const std::string& label, const std::string& text) {
    std::string why;
    const std::optional<double> v = ReadNumber(text, &why);
    if (!v) throw Refused{"Le champ " + base::Guillemets(label) + " doit contenir un nombre : " + why};
    return *v;
}

double Angle(const std::string& label, const std::string& text, AngleKind kind) {
    std::string why;
    const std::optional<double> v = ReadAngle(text, kind, &why);
    if (!v)
        throw Refused{"Le champ " + base::Guillemets(label) + " doit contenir un angle (50°30'15.5'', 50 30 15.5 ou " +
                      "50.504306 ; ouest et sud négatifs) : " + base::Guillemets(text) + " ne peut pas être lu (" +
                      why + ")."};
    return *v;
}

void Require(bool ok, const std::string& label, const char* rule) {
    if (!ok) throw Refused{"Le champ " + base::Guillemets(label) + " doit " + rule + "."};
}

std::string FormName(const EditorModel& m, int section) {
    if (section == SecEllipsoid) return Trim(m.Txt_E[4]);
    const auto& t = section == SecDatum ? m.Txt_D : m.Txt_P;
    return Trim(t[1]) + " " + Trim(t[2]);
}

void RequireFilled(const EditorModel& m, int section) {
    const auto need = [&](const auto& fields, std::initializer_list<int> which) {
        for (int i : which) {
            const std::string label = section == SecEllipsoid ? std::string(LabelsE[std::size_t(i)])
                                      : section == SecDatum   ? DatumLabel(i, m.CoordinateFrame)
                                                              : ProjectionLabel(m.ChosenType(), i, m.AutoUtm);
            Require(Filled(fields[std::size_t(i)]), label, "être rempli");
        }
    };
    if (section == SecEllipsoid) {
        need(m.Txt_E, {1});
        if (!Filled(m.Txt_E[2]) && !Filled(m.Txt_E[3]))
            throw Refused{"Remplissez le champ « e » ou le champ « 1/f » : l'autre en est tiré."};
        return need(m.Txt_E, {4});
    }
    if (section == SecDatum) {
        need(m.Txt_D, {1, 2});
        if (m.Combo_E.listIndex < 0) throw Refused{"Choisissez l'ellipsoïde du datum."};
        return;
    }
    need(m.Txt_P, {1, 2, 3, 4, 5});
    if (m.Combo_D.listIndex < 0) throw Refused{"Choisissez le datum de la projection."};
    if (m.Combo_type.listIndex < 0) throw Refused{"Choisissez le type de projection."};
    const int code = m.ChosenType();
    if (code == LambertType) need(m.Txt_P, {6, 7, 8, 9});
    if (code > LambertType) need(m.Txt_P, {6, 7});
}

void RequireLength(const std::string& text, std::size_t limit, const std::string& what) {
    if (base::CharacterCount(text) > limit)
        throw Refused{what + " " + base::Guillemets(text) +
                      " est trop long : " + std::to_string(base::CharacterCount(text)) + " caractères, " +
                      std::to_string(limit) + " au plus."};
}

template <class P, class M, std::size_t N>
P Record(const std::array<core::ParamColumn<P, M>, N>& layout, const EditorModel::Columns& c) {
    P p{};
    for (const auto& column : layout)
        for (const auto& [name, v] : c)
            if (store::SameText(name, column.name)) p.*column.member = M(v.Double());
    return p;
}

double ColumnValue(const EditorModel::Columns& c, const char* column) {
    for (const auto& [name, v] : c)
        if (store::SameText(name, column)) return v.Double();
    return 0;
}

core::EllipsoidParams EllipsoidOf(const EditorModel::Columns& c) {
    return Record<core::EllipsoidParams>(core::EllipsoidColumns, c);
}
core::DatumParams DatumOf(const EditorModel::Columns& c) { return Record<core::DatumParams>(core::DatumColumns, c); }
core::ProjectionParams ProjectionOf(const EditorModel::Columns& c) {
    core::ProjectionParams p = Record<core::ProjectionParams>(core::ProjectionColumns, c);
    p.Type = static_cast<std::int16_t>(ColumnValue(c, core::ProjectionType.name));
    return p;
}

}  // namespace editor

EditorModel::Columns EditorModel::ReadColumns(int s, const std::string& name) const {
    Columns c = {{"Nom", store::Value(name)}};
    // A field left as shown gives the stored value, to the bit.
    const auto number = [&](int i, const std::string& label, const std::string& text) {
        if (auto kept = Kept(s, i); kept && !kept->IsNull()) return kept->Double();
        return Number(label, text);
    };
    const auto fault = [&](const std::optional<core::ParamFault>& f, const auto& labelOf) {
        if (!f) return;
        throw Refused{"Le champ " + base::Guillemets(labelOf(f->column)) + " : " + f->expected + " (" +
                      core::FormatGeneral(f->value) + ")."};
    };
    if (s == SecEllipsoid) {
        RequireLength(Txt_E[0], MaxFullNameLength, "Le nom complet");
        const double a = number(1, LabelsE[1], Txt_E[1]);
        double ec = 0, unf = 0;
        if (!Filled(Txt_E[2])) {
            unf = number(3, LabelsE[3], Txt_E[3]);
            ec = unf > 1 ? core::EccentricityOf(unf) : 0;
        } else if (!Filled(Txt_E[3])) {
            ec = number(2, LabelsE[2], Txt_E[2]);
            unf = ec > 0 && ec < 1 ? core::InverseFlatteningOf(ec) : 0;
        } else {
            ec = number(2, LabelsE[2], Txt_E[2]);
            unf = number(3, LabelsE[3], Txt_E[3]);
        }
        c.insert(c.end(), {{"nomcomplet", store::Value(Txt_E[0])}, {"a", a}, {"ec", ec}, {"unf", unf}});
        fault(core::CheckEllipsoid(EllipsoidOf(c)), [](const std::string& column) {
            for (std::size_t i = 0; i < EllipsoidNumbers.size(); ++i)
                if (column == EllipsoidNumbers[i]) return std::string(LabelsE[1 + i]);
            return column;
        });
    } else if (s == SecDatum) {
        RequireLength(Txt_D[0], MaxFullNameLength, "Le nom complet");
        c.insert(c.end(), {{"Pays", store::Value(Trim(Txt_D[1]))},
                           {"Code", store::Value(Trim(Txt_D[2]))},
                           {"nomcomplet", store::Value(Txt_D[0])},
                           {"Ellipsoide", store::Value(Combo_E.Text())}});
        for (std::size_t i = 0; i < DatumNumbers.size(); ++i) {
            const int f = int(FirstDatumNumber + i);
            const bool rotation = f >= FirstRotation && f <= LastRotation;
            double v = 0;
            if (auto kept = Kept(s, f); kept && !kept->IsNull()) v = kept->Double();
            else
                v = Number(DatumLabel(f, CoordinateFrame), Txt_D[std::size_t(f)]) *
                    (rotation && CoordinateFrame ? -1 : 1);
            c.emplace_back(DatumNumbers[i], v);
        }
        fault(core::CheckDatum(DatumOf(c)), [this](const std::string& column) {
            for (std::size_t i = 0; i < DatumNumbers.size(); ++i)
                if (column == DatumNumbers[i]) return DatumLabel(int(FirstDatumNumber + i), CoordinateFrame);
            return column;
        });
    } else {
        RequireLength(Txt_P[0], MaxFullNameLength, "Le nom complet");
        const int type = ChosenType();
        if (type < UtmType || type > LastType)
            throw Refused{"Le type de projection doit être compris entre 1 et 5 ; " +
                          base::Guillemets(std::to_string(type)) + " n'est pas calculable."};
        const auto label = [&](int i) { return ProjectionLabel(type, i, AutoUtm); };
        c.insert(c.end(), {{"Pays", store::Value(Trim(Txt_P[1]))},
                           {"Code", store::Value(Trim(Txt_P[2]))},
                           {"nomcomplet", store::Value(Txt_P[0])},
                           {"Datum", store::Value(Combo_D.Text())},
                           {core::ProjectionType.name, store::Value(type)}});
        for (std::size_t i = 0; i < ProjectionNumbers.size(); ++i)
            c.emplace_back(ProjectionNumbers[i], number(int(3 + i), label(int(3 + i)), Txt_P[3 + i]));
        // A field the type does not use keeps its stored value when left as
        // shown, and is 0 otherwise.
        const bool sameType = Combo_type.listIndex == shown_[SecProjection].choosers[1];
        const auto unused = [&](int i) {
            const auto kept = Kept(s, i);
            return kept && !kept->IsNull() && sameType ? kept->Double() : 0.0;
        };
        for (std::size_t i = 0; i < ProjectionAngles.size(); ++i) {
            const int f = int(FirstAngle + i);
            double v = 0;
            if (!ProjectionFieldUsed(type, f, AutoUtm)) v = f == Lg0Field ? 0.0 : unused(f);
            else if (auto kept = Kept(s, f); kept && !kept->IsNull()) v = kept->Double();
            else v = Angle(label(f), Txt_P[std::size_t(f)], AngleKinds[i]);
            c.emplace_back(ProjectionAngles[i], v);
        }
        if (type == UtmType && !AutoUtm && ColumnValue(c, "Lg0") == 0)
            throw Refused{"Le champ " + base::Guillemets(label(Lg0Field)) +
                          " : un méridien central à 0 signifie des fuseaux UTM automatiques. Cochez « fuseaux UTM "
                          "automatiques », ou donnez un autre méridien (un méridien de Greenwich s'écrit "
                          "0°0'0.000001'', à 0,03 µm de 0°)."};
        if (type == UtmType && AutoUtm && !store::SameText(Trim(Txt_P[2]), UtmCode))
            throw Refused{
                std::string("Des fuseaux UTM automatiques demandent le code « ") + UtmCode +
                " » : le fuseau de chaque point n'est lu et écrit que pour les projections de ce code. "
                "Donnez le code UTM, ou décochez « fuseaux UTM automatiques » et donnez le méridien central."};
        for (auto [index, column] : {std::pair{WestLimit, "limitew"}, std::pair{EastLimit, "limitee"}}) {
            double limit = 0;
            if (!ProjectionFieldUsed(type, index, AutoUtm)) {
                limit = unused(index);
            } else if (auto kept = Kept(s, index); kept && !kept->IsNull() && sameType) {
                limit = kept->Double();
            } else if (type == UtmType) {
                const double zone = Number(label(index), Txt_P[std::size_t(index)]);
                limit = zone > ZoneLimitLow && zone < ZoneLimitHigh ? zone : 0;
            } else {
                limit = Angle(label(index), Txt_P[std::size_t(index)], AngleKind::Longitude);
            }
            c.emplace_back(column, limit);
        }
        fault(core::CheckProjection(ProjectionOf(c)), [&](const std::string& column) {
            for (std::size_t i = 0; i < ProjectionNumbers.size(); ++i)
                if (column == ProjectionNumbers[i]) return label(int(3 + i));
            for (std::size_t i = 0; i < ProjectionAngles.size(); ++i)
                if (column == ProjectionAngles[i]) return label(int(FirstAngle + i));
            return column;
        });
    }
    c.emplace_back("lock", store::Value("N"));
    return c;
}

}  // namespace app
