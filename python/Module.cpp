// The Python module travena._travena: the library's converter over numpy
// arrays. Python objects are read and made with the interpreter lock held;
// the conversion itself runs without it, so threads convert side by side.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

#include "travena/Converter.h"

namespace py = pybind11;

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

const char* KindName(travena::Kind kind) {
    switch (kind) {
    case travena::Kind::Projected: return "projected";
    case travena::Kind::Geographic: return "geographic";
    case travena::Kind::Utm: return "utm";
    case travena::Kind::Mgrs: return "mgrs";
    case travena::Kind::Ifbl: return "ifbl";
    }
    return "";
}

bool IsGrid(travena::Kind kind) { return kind == travena::Kind::Mgrs || kind == travena::Kind::Ifbl; }

// A one-dimensional array of doubles over `values` (a copy only where its
// type or layout asks for one).
Doubles AsDoubles(const py::handle& values, const char* name) {
    Doubles a = Doubles::ensure(values);
    if (!a) throw py::type_error(std::string(name) + " : des nombres sont attendus.");
    if (a.ndim() != 1) throw py::value_error(std::string(name) + " : un tableau à une dimension est attendu.");
    return a;
}

// References as texts; None and non-texts (NaN of an empty cell) give an
// empty reference, which the conversion refuses for that point alone.
std::vector<std::string> AsTexts(const py::handle& values) {
    std::vector<std::string> texts;
    for (const py::handle item : py::iter(values))
        texts.push_back(py::isinstance<py::str>(item) ? item.cast<std::string>() : std::string());
    return texts;
}

// A table column's cells as numbers: texts read as the batch run reads them,
// numbers as they are, anything else (None, an empty cell) NaN.
py::array_t<double> ReadNumbers(const py::handle& values) {
    const py::sequence cells = py::reinterpret_borrow<py::sequence>(values);
    py::array_t<double> numbers(py::ssize_t(py::len(cells)));
    double* out = numbers.mutable_data();
    for (const py::handle cell : py::iter(values)) {
        if (py::isinstance<py::str>(cell)) *out++ = travena::ReadNumber(cell.cast<std::string>());
        else if (py::isinstance<py::float_>(cell) || py::isinstance<py::int_>(cell)) *out++ = cell.cast<double>();
        else *out++ = std::numeric_limits<double>::quiet_NaN();
    }
    return numbers;
}

py::array Objects(const std::vector<std::string>& texts) {
    py::list list(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) list[i] = py::str(texts[i]);
    return py::module_::import("numpy").attr("array")(list, py::arg("dtype") = "object");
}

// "h:H", "H:h", "h:h" or "H:H", as travena-cli's --height.
std::pair<travena::Height, travena::Height> HeightKinds(const std::string& kinds) {
    const auto kind = [](char k) { return k == 'H' ? travena::Height::Ostend : travena::Height::Ellipsoidal; };
    if (kinds.size() != 3 || kinds[1] != ':' || (kinds[0] != 'h' && kinds[0] != 'H') ||
        (kinds[2] != 'h' && kinds[2] != 'H'))
        throw py::value_error("heights : « " + kinds + " » ; h:H, H:h, h:h ou H:H.");
    return {kind(kinds[0]), kind(kinds[2])};
}

py::tuple Convert(const travena::Converter& c, const py::object& x, const py::object& y, const py::object& zone,
                  bool messages, int threads, const py::object& height, const std::string& heights) {
    if (threads < 0) throw py::value_error("threads : 0 (un par cœur) ou plus.");
    const auto [heightIn, heightOut] = HeightKinds(heights);
    travena::Input in;
    std::vector<std::string> references;
    std::optional<Doubles> xs, ys, zones;
    std::size_t n = 0;
    if (IsGrid(c.From())) {
        references = AsTexts(x);
        in.reference = references;
        n = references.size();
    } else {
        if (y.is_none()) throw py::value_error("y : les ordonnées manquent.");
        xs = AsDoubles(x, "x");
        ys = AsDoubles(y, "y");
        n = std::size_t(xs->shape(0));
        if (std::size_t(ys->shape(0)) != n) throw py::value_error("x et y n'ont pas la même longueur.");
        in.x = {xs->data(), n};
        in.y = {ys->data(), n};
        if (c.From() == travena::Kind::Utm) {
            if (zone.is_none()) throw py::value_error("zone : les fuseaux d'une entrée UTM manquent.");
            zones = AsDoubles(zone, "zone");
            if (std::size_t(zones->shape(0)) != n) throw py::value_error("zone n'a pas la longueur de x.");
            in.zone = {zones->data(), n};
        }
    }
    std::optional<Doubles> hs;
    if (!height.is_none()) {
        hs = AsDoubles(height, "height");
        if (std::size_t(hs->shape(0)) != n) throw py::value_error("height n'a pas la longueur de x.");
        in.height = {hs->data(), n};
        in.heightIn = heightIn;
        in.heightOut = heightOut;
    }
    const py::ssize_t size = py::ssize_t(n);
    py::array_t<double> outX(size), outY(size);
    py::array_t<std::int32_t> outZone(size), status(size);
    std::vector<std::string> outReferences(IsGrid(c.To()) ? n : 0), outMessages(messages ? n : 0);
    travena::Output out;
    out.x = {outX.mutable_data(), n};
    out.y = {outY.mutable_data(), n};
    out.zone = {outZone.mutable_data(), n};
    out.status = {status.mutable_data(), n};
    out.reference = outReferences;
    out.message = outMessages;
    py::array_t<double> outHeight(hs ? size : 0);
    if (hs) out.height = {outHeight.mutable_data(), n};
    {
        py::gil_scoped_release unlocked;
        c.Convert(in, out, threads);
    }
    py::object first = outX;
    if (IsGrid(c.To())) {
        first = Objects(outReferences);
        std::fill(outY.mutable_data(), outY.mutable_data() + n, std::numeric_limits<double>::quiet_NaN());
    }
    py::tuple result = py::make_tuple(first, outY, outZone, status);
    if (hs) result = py::reinterpret_steal<py::tuple>(PySequence_Concat(result.ptr(), py::make_tuple(outHeight).ptr()));
    if (messages)
        result = py::reinterpret_steal<py::tuple>(
            PySequence_Concat(result.ptr(), py::make_tuple(Objects(outMessages)).ptr()));
    return result;
}

}  // namespace

PYBIND11_MODULE(_travena, m) {
    m.doc() = "Conversions de coordonnées de Travena (voir le paquet travena).";
    static py::exception<travena::Error> error(m, "Error", PyExc_RuntimeError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const travena::Error& e) {
            py::object instance = py::reinterpret_borrow<py::object>(error)(py::str(e.what()));
            instance.attr("number") = e.number;
            PyErr_SetObject(error.ptr(), instance.ptr());
        }
    });

    m.def(
        "systems", [](const std::optional<std::string>& params) { return travena::Systems(params.value_or("")); },
        py::arg("params") = py::none());
    m.def("default_params", &travena::DefaultParams);
    m.attr("MAX_METHOD") = travena::MaxMethod();
    m.def("_read_numbers", &ReadNumbers, py::arg("cells"));

    py::class_<travena::Converter>(m, "Converter")
        .def(py::init([](const std::string& src, const std::string& dst, int method,
                         const std::optional<std::string>& params) {
                 return travena::Converter(src, dst, method, params.value_or(""));
             }),
             py::arg("src"), py::arg("dst"), py::arg("method") = 1, py::arg("params") = py::none())
        .def_property_readonly("src_kind", [](const travena::Converter& c) { return KindName(c.From()); })
        .def_property_readonly("dst_kind", [](const travena::Converter& c) { return KindName(c.To()); })
        .def_property_readonly("params", &travena::Converter::Params)
        .def_property_readonly("columns", &travena::Converter::Columns)
        .def("convert", &Convert, py::arg("x"), py::arg("y") = py::none(), py::arg("zone") = py::none(),
             py::arg("messages") = false, py::arg("threads") = 1, py::arg("height") = py::none(),
             py::arg("heights") = "h:H");
}
